// Digit strings of integers for the HEX, BIN, OCT and COMMASTRING methods.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tav::script {

// The bit pattern in base 2, 8 or 16: lower-case letters, no prefix, no leading zeros ("0" for
// zero). Callers pass the pattern already widened without sign extension, so a negative INT
// shows its 32 bits and a negative INT64 its 64.
std::string DigitsInBase(uint64_t pattern, unsigned base);

// Decimal digits of `value` with a separator after every `group` digits counted from the right,
// and a leading '-' for negative values. The magnitude is taken without overflow, so the most
// negative value of either type is grouped like any other. No separator when `separator` is
// empty (`group` must be at least 1).
std::string GroupedDecimal(int64_t value, int group, std::optional<char> separator);

}  // namespace tav::script
