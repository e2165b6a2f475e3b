#include "script/text/number_text.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "script/text/blank_text.h"

namespace tav::script {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

template <class T>
T SignedPrefix(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate as a negative number: its range is one larger, so the minimum is exact.
  T value = 0;
  bool clamped = false;
  constexpr T kMin = std::numeric_limits<T>::min();
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    T digit = text[i] - '0';
    if (!clamped && (value < (kMin + digit) / 10)) clamped = true;
    if (!clamped) value = value * 10 - digit;
  }
  if (clamped) return negative ? kMin : std::numeric_limits<T>::max();
  if (negative) return value;
  return value == kMin ? std::numeric_limits<T>::max() : -value;
}

}  // namespace

int32_t IntegerPrefix(std::string_view text) { return SignedPrefix<int32_t>(text); }
int64_t Integer64Prefix(std::string_view text) { return SignedPrefix<int64_t>(text); }

double FloatPrefix(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  // strtod needs a terminated copy; what it parses is exactly what was scanned above.
  std::string number(text.substr(start, i - start));
  errno = 0;
  return std::strtod(number.c_str(), nullptr);
}

std::string FormatInt(int32_t value) { return std::to_string(value); }
std::string FormatInt64(int64_t value) { return std::to_string(value); }

std::string FormatDouble(double value) {
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, "%.20g", value);
  return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

}  // namespace tav::script