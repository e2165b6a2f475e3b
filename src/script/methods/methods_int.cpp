#include <optional>

#include "script/methods/builtin_methods.h"
#include "script/text/digit_text.h"
#include "script/methods/method_args.h"
#include "script/core/method_table.h"
#include "script/core/scalars.h"

namespace tav::script {
namespace {

uint32_t Pattern(TOL_Var* self) { return static_cast<uint32_t>(self->GetLong()); }

}  // namespace

// Group size (used when 1 to `maxGroup`, else 3) and separator (the first byte of the second
// argument's text, "," without it). An empty separator text groups without separators: its
// "first byte" would be the terminating zero, which no text may contain.
VarRef CommaStringOf(int64_t value, const MethodArgs& args, int maxGroup) {
  int group = args.Long(0, 3);
  if (group < 1 || group > maxGroup) group = 3;
  std::optional<char> separator = ',';
  if (args.Has(1)) {
    std::string text = args.Text(1);
    separator = text.empty() ? std::nullopt : std::optional<char>(text[0]);
  }
  return NewString(GroupedDecimal(value, group, separator));
}

void DefineIntMethods() {
  constexpr int t = kIntMethods;
  DefineConversionMethods(t);
  // The absolute value of the most negative INT does not fit; like the machine's negation it
  // stays where it is.
  DefineReceiverMethod(t, "ABS", [](TOL_Var* self) {
    uint32_t v = Pattern(self);
    return NewInt(static_cast<int32_t>(self->GetLong() < 0 ? 0u - v : v));
  });
  DefineReceiverMethod(t, "UINT", [](TOL_Var* self) { return NewInt64(Pattern(self)); });
  DefineReceiverMethod(t, "HEX", [](TOL_Var* self) { return NewString(DigitsInBase(Pattern(self), 16)); });
  DefineReceiverMethod(t, "BIN", [](TOL_Var* self) { return NewString(DigitsInBase(Pattern(self), 2)); });
  DefineReceiverMethod(t, "OCT", [](TOL_Var* self) { return NewString(DigitsInBase(Pattern(self), 8)); });
  DefineMethod(t, "COMMASTRING", 0, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    return CommaStringOf(self->GetLong(), args, 9);
  });
  DefineMethod(t, "MAKERGB", 3, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    uint32_t rgb = (static_cast<uint32_t>(args.Long(0)) & 0xFF) |
                   (static_cast<uint32_t>(args.Long(1)) & 0xFF) << 8 |
                   (static_cast<uint32_t>(args.Long(2)) & 0xFF) << 16;
    self->Assign(NewInt(static_cast<int32_t>(rgb)).get());
    return VarRef();
  });
  DefineReceiverMethod(t, "RED", [](TOL_Var* self) { return NewInt(Pattern(self) & 0xFF); });
  DefineReceiverMethod(t, "GREEN", [](TOL_Var* self) { return NewInt((Pattern(self) >> 8) & 0xFF); });
  DefineReceiverMethod(t, "BLUE", [](TOL_Var* self) { return NewInt((Pattern(self) >> 16) & 0xFF); });
}

}  // namespace tav::script
