#include "script/core/var.h"

#include "archive/archive.h"
#include "script/core/registry.h"
#include "script/core/scalars.h"
#include "script/core/var_array.h"
#include "script/core/var_func.h"
#include "script/core/var_ref.h"

namespace tav::script {

const archive::ClassInfo TOL_Var::kClassInfo{
    "TOL_Var", 1, []() -> archive::Object* { return new TOL_Var(); }};

// Every value's payload starts with a version word; readers ignore its value.
void TOL_Var::Serialize(archive::Archive& ar) {
  if (ar.IsStoring()) ar.WriteWord(1);
  else ar.ReadWord();
}

TOL_Var::Exact TOL_Var::FindExactClass() const {
  const archive::ClassInfo* cls = &GetRuntimeClass();
  if (cls == &TOL_VarInt::kClassInfo) return Exact::kInt;
  if (cls == &TOL_VarInt64::kClassInfo) return Exact::kInt64;
  if (cls == &TOL_VarDouble::kClassInfo) return Exact::kDouble;
  if (cls == &TOL_VarBool::kClassInfo) return Exact::kBool;
  if (cls == &TOL_VarObArray::kClassInfo) return Exact::kArray;
  if (cls == &TOL_VarObject::kClassInfo) return Exact::kObject;
  if (cls == &TOL_VarRef::kClassInfo) return Exact::kRef;
  if (cls == &TOL_VarFuncState::kClassInfo) return Exact::kFunc;
  if (cls == &TOL_VarFuncForm::kClassInfo) return Exact::kForm;
  return Exact::kOther;
}

bool TOL_Var::IsValue() const {
  int type = GetType();
  return type != kTypeArray && type != kTypeFunction && type != kTypeObject;
}

void TOL_Var::Assign(TOL_Var*) {}
VarRef TOL_Var::Call(TOL_VarObArray*) { return nullptr; }
void TOL_Var::SetBase(TOL_VarObject*) {}
VarRef TOL_Var::Clone(TOL_Var* target) {
  if (target) return VarRef(target);
  return Make<TOL_Var>();
}
int TOL_Var::CopyElements(TOL_Var*) { return 0; }
void TOL_Var::SetSize(int, int) {}
void TOL_Var::SetAt(int, TOL_Var*) {}
TOL_Var* TOL_Var::GetAt(int) { return nullptr; }
int TOL_Var::IndexOf(TOL_Var*) { return -1; }
int TOL_Var::Add(TOL_Var*) { return -1; }
void TOL_Var::InsertAt(int, TOL_Var*) {}
int TOL_Var::TakeElement(TOL_Var*, TOL_Var*) { return -1; }
int TOL_Var::TakeAt(TOL_Var*, int) { return -1; }
bool TOL_Var::RemoveElement(TOL_Var*) { return false; }
bool TOL_Var::RemoveAt(int) { return false; }
int TOL_Var::AppendArray(TOL_Var*) { return -1; }
TOL_Var* TOL_Var::FindContainer(TOL_Var*, int) { return nullptr; }
TOL_Var* TOL_Var::FindMemberDeep(Atom name, int) { return FindMember(name); }
TOL_Var* TOL_Var::FindMember(Atom) { return nullptr; }
void TOL_Var::SetMember(TOL_Var*, Atom) {}
VarRef TOL_Var::RemoveMember(Atom) { return nullptr; }

TOL_Var* TOL_Var::FindMember(std::string_view name) {
  Atom atom = Atom::Find(name);
  return atom.IsNull() ? nullptr : FindMember(atom);
}

}  // namespace tav::script
