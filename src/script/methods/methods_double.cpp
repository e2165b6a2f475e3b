#include <algorithm>
#include <cmath>
#include <cstdio>

#include "script/methods/builtin_methods.h"
#include "script/methods/method_args.h"
#include "script/core/method_table.h"
#include "script/core/scalars.h"

namespace tav::script {
namespace {

// Fixed notation with `decimals` digits after the point. The largest doubles print some 330
// characters, so the text is measured first rather than written into a fixed buffer.
std::string FixedPoint(double value, int decimals) {
  char format[8];
  std::snprintf(format, sizeof format, "%%.%df", decimals);
  int length = std::snprintf(nullptr, 0, format, value);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, value);
  text.resize(static_cast<size_t>(length));
  return text;
}

void DefineMath(std::string_view name, double (*function)(double)) {
  DefineReceiverMethod(kDoubleMethods, name,
                       [function](TOL_Var* self) { return NewDouble(function(self->GetDouble())); });
}

}  // namespace

void DefineDoubleMethods() {
  constexpr int t = kDoubleMethods;
  DefineConversionMethods(t);
  DefineMath("ABS", [](double v) { return std::fabs(v); });
  DefineMethod(t, "ROUNDSTRING", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    int decimals = std::clamp(args.Long(0), 0, 20);
    return NewString(FixedPoint(self->GetDouble(), decimals));
  });
  DefineMath("SIN", [](double v) { return std::sin(v); });
  DefineMath("COS", [](double v) { return std::cos(v); });
  DefineMath("TAN", [](double v) { return std::tan(v); });
  DefineMath("ASIN", [](double v) { return std::asin(v); });
  DefineMath("ACOS", [](double v) { return std::acos(v); });
  DefineMath("ATAN", [](double v) { return std::atan(v); });
  DefineMath("SINH", [](double v) { return std::sinh(v); });
  DefineMath("COSH", [](double v) { return std::cosh(v); });
  DefineMath("TANH", [](double v) { return std::tanh(v); });
  DefineMath("LOG", [](double v) { return std::log(v); });
  DefineMath("LOG10", [](double v) { return std::log10(v); });
}

}  // namespace tav::script
