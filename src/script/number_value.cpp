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
  switch (target->ExactClass()) {
    case TOL_Var::Exact::kInt: static_cast<TOL_VarInt*>(target)->SetValue(n.GetLong()); return true;
    case TOL_Var::Exact::kInt64: static_cast<TOL_VarInt64*>(target)->SetValue(n.GetInt64()); return true;
    case TOL_Var::Exact::kDouble: static_cast<TOL_VarDouble*>(target)->SetValue(n.GetDouble()); return true;
    case TOL_Var::Exact::kBool: static_cast<TOL_VarBool*>(target)->SetValue(n.GetBool()); return true;
    default: return false;
  }
}

}  // namespace tav::script
