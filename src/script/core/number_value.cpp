#include "script/core/number_value.h"

#include "script/text/number_text.h"
#include "script/core/scalars.h"

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

}  // namespace tav::script
