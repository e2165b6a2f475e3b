#include "script/methods/builtin_methods.h"
#include "script/text/digit_text.h"
#include "script/methods/method_args.h"
#include "script/core/method_table.h"
#include "script/core/scalars.h"

namespace tav::script {
namespace {

uint64_t Pattern(TOL_Var* self) { return static_cast<uint64_t>(self->GetInt64()); }

}  // namespace

void DefineInt64Methods() {
  constexpr int t = kInt64Methods;
  DefineConversionMethods(t);
  // As for INT, the most negative value is its own absolute value.
  DefineReceiverMethod(t, "ABS", [](TOL_Var* self) {
    uint64_t v = Pattern(self);
    return NewInt64(static_cast<int64_t>(self->GetInt64() < 0 ? 0 - v : v));
  });
  DefineReceiverMethod(t, "HEX", [](TOL_Var* self) { return NewString(DigitsInBase(Pattern(self), 16)); });
  DefineReceiverMethod(t, "BIN", [](TOL_Var* self) { return NewString(DigitsInBase(Pattern(self), 2)); });
  DefineReceiverMethod(t, "OCT", [](TOL_Var* self) { return NewString(DigitsInBase(Pattern(self), 8)); });
  DefineMethod(t, "COMMASTRING", 0, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    return CommaStringOf(self->GetInt64(), args, 18);
  });
}

}  // namespace tav::script
