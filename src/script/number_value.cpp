#include "script/number_value.h"

#include "script/number_text.h"
#include "script/scalars.h"

namespace tav::script {

std::string Number::GetString() const {
  switch (type) {
    case kTypeBool: return b ? "1" : "0";
    case kTypeInt: return FormatInt(i);
    case kTypeDouble: return FormatDouble(d);
    default: return FormatInt64(l);
  }
}

VarRef Number::MakeValue() const {
  switch (type) {
    case kTypeBool: return NewBool(b);
    case kTypeInt: return NewInt(i);
    case kTypeDouble: return NewDouble(d);
    default: return NewInt64(l);
  }
}

// Exact classes only: a derived engine class (a time is an INT64) may convert or assign in its
// own way.
Number NumberOf(TOL_Var* value) {
  const archive::ClassInfo* cls = &value->GetRuntimeClass();
  if (cls == &TOL_VarInt::kClassInfo) return Number::Int(static_cast<TOL_VarInt*>(value)->Value());
  if (cls == &TOL_VarInt64::kClassInfo) return Number::Int64(static_cast<TOL_VarInt64*>(value)->Value());
  if (cls == &TOL_VarDouble::kClassInfo) return Number::Double(static_cast<TOL_VarDouble*>(value)->Value());
  if (cls == &TOL_VarBool::kClassInfo) return Number::Bool(static_cast<TOL_VarBool*>(value)->Value());
  return Number();
}

bool AssignNumber(TOL_Var* target, const Number& n) {
  const archive::ClassInfo* cls = &target->GetRuntimeClass();
  if (cls == &TOL_VarInt::kClassInfo) {
    static_cast<TOL_VarInt*>(target)->SetValue(n.GetLong());
  } else if (cls == &TOL_VarInt64::kClassInfo) {
    static_cast<TOL_VarInt64*>(target)->SetValue(n.GetInt64());
  } else if (cls == &TOL_VarDouble::kClassInfo) {
    static_cast<TOL_VarDouble*>(target)->SetValue(n.GetDouble());
  } else if (cls == &TOL_VarBool::kClassInfo) {
    static_cast<TOL_VarBool*>(target)->SetValue(n.GetBool());
  } else {
    return false;
  }
  return true;
}

}  // namespace tav::script
