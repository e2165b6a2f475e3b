// The text <-> number rules shared by conversions and the compiler.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tav::script {

// Leading white space, an optional sign, then decimal digits; 0 when there are none.
// Values beyond the type's range clamp to its limits.
int32_t IntegerPrefix(std::string_view text);
int64_t Integer64Prefix(std::string_view text);
// The longest leading decimal number with optional fraction and exponent; 0.0 when none.
double FloatPrefix(std::string_view text);

std::string FormatInt(int32_t value);     // "%d"
std::string FormatInt64(int64_t value);   // signed decimal
std::string FormatDouble(double value);   // "%.20g"

}  // namespace tav::script
