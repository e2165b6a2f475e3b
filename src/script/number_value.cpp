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
