#include "script/core/var_ref.h"

#include "archive/archive.h"
#include "script/core/var_object.h"

namespace tav::script {

TOL_IMPLEMENT_CLASS(TOL_VarRef)

void TOL_VarRef::SetTarget(TOL_Var* target) {
  target_ = VarRef(target ? target->GetTarget() : nullptr);
}

VarRef TOL_VarRef::Call(TOL_VarObArray* frame) { return target_ ? target_->Call(frame) : nullptr; }
void TOL_VarRef::SetBase(TOL_VarObject* base) {
  if (target_) target_->SetBase(base);
}

// A copy of a reference refers to the same value; given a target, the target receives a
// reference to that value through its own Assign (a typed scalar converts it).
VarRef TOL_VarRef::Clone(TOL_Var* target) {
  if (target) {
    target->Assign(this);
    return VarRef(target);
  }
  return Make<TOL_VarRef>(target_.get());
}

int TOL_VarRef::CopyElements(TOL_Var* other) { return target_ ? target_->CopyElements(other) : 0; }
void TOL_VarRef::SetSize(int count, int grow) {
  if (target_) target_->SetSize(count, grow);
}
void TOL_VarRef::SetAt(int index, TOL_Var* value) {
  if (target_) target_->SetAt(index, value);
}
TOL_Var* TOL_VarRef::GetAt(int index) { return target_ ? target_->GetAt(index) : nullptr; }
int TOL_VarRef::IndexOf(TOL_Var* value) { return target_ ? target_->IndexOf(value) : -1; }
int TOL_VarRef::Add(TOL_Var* value) { return target_ ? target_->Add(value) : -1; }
void TOL_VarRef::InsertAt(int index, TOL_Var* value) {
  if (target_) target_->InsertAt(index, value);
}
int TOL_VarRef::TakeElement(TOL_Var* other, TOL_Var* element) {
  return target_ ? target_->TakeElement(other, element) : -1;
}
int TOL_VarRef::TakeAt(TOL_Var* other, int index) {
  return target_ ? target_->TakeAt(other, index) : -1;
}
bool TOL_VarRef::RemoveElement(TOL_Var* value) { return target_ && target_->RemoveElement(value); }
bool TOL_VarRef::RemoveAt(int index) { return target_ && target_->RemoveAt(index); }
void TOL_VarRef::RemoveAll() {
  if (target_) target_->RemoveAll();
}
void TOL_VarRef::DeleteAll() {
  if (target_) target_->DeleteAll();
}
int TOL_VarRef::AppendArray(TOL_Var* other) { return target_ ? target_->AppendArray(other) : -1; }
TOL_Var* TOL_VarRef::FindContainer(TOL_Var* element, int depth) {
  return target_ ? target_->FindContainer(element, depth) : nullptr;
}
TOL_Var* TOL_VarRef::FindMemberDeep(Atom name, int depth) {
  return target_ ? target_->FindMemberDeep(name, depth) : nullptr;
}
TOL_Var* TOL_VarRef::FindMember(Atom name) {
  return target_ ? target_->FindMember(name) : nullptr;
}
void TOL_VarRef::SetMember(TOL_Var* value, Atom name) {
  if (target_) target_->SetMember(value, name);
}
VarRef TOL_VarRef::RemoveMember(Atom name) {
  return target_ ? target_->RemoveMember(name) : nullptr;
}
void TOL_VarRef::RemoveAllMembers() {
  if (target_) target_->RemoveAllMembers();
}

void TOL_VarRef::Serialize(archive::Archive& ar) {
  TOL_Var::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteObject(target_.get());
  } else {
    auto* object = ar.ReadObjectAs<TOL_Var>();
    VarRef loaded = VarRef::Adopt(object);
    // A reference still being read has no target yet, so a file whose reference points back at
    // itself loads as an empty reference instead of a cycle.
    SetTarget(loaded.get() == this ? nullptr : loaded.get());
  }
}

}  // namespace tav::script
