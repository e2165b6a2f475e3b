#include "script/text/digit_text.h"

#include <algorithm>

namespace tav::script {

std::string DigitsInBase(uint64_t pattern, unsigned base) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string digits;
  do {
    digits.push_back(kDigits[pattern % base]);
    pattern /= base;
  } while (pattern != 0);
  std::reverse(digits.begin(), digits.end());
  return digits;
}

std::string GroupedDecimal(int64_t value, int group, std::optional<char> separator) {
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string digits = DigitsInBase(magnitude, 10);
  std::string out;
  if (value < 0) out.push_back('-');
  size_t count = digits.size();
  for (size_t i = 0; i < count; ++i) {
    out.push_back(digits[i]);
    size_t toCome = count - i - 1;
    if (separator && toCome != 0 && toCome % static_cast<size_t>(group) == 0) out.push_back(*separator);
  }
  return out;
}

}  // namespace tav::script
