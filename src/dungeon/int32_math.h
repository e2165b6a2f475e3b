// The views' arithmetic is C's on 32-bit integers, with values read from stored views unchecked.
// These helpers give the same answers for every value that fits and stay defined where C's would
// overflow: sums and products are taken wide and wrapped to 32 bits (as the machine wraps them),
// and a floating value too large for an int converts to INT_MIN (what x86 gives).
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace tav::dungeon {

constexpr int32_t Wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

// Truncation toward zero; NaN and values outside the int range give INT_MIN.
inline int32_t TruncToInt(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// a × b / c with C's truncating division and the product wrapped first; 0 when c is 0.
constexpr int32_t MulDivC(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return 0;
  int64_t product = Wrap32(int64_t{a} * b);
  return Wrap32(product / c);
}

}  // namespace tav::dungeon
