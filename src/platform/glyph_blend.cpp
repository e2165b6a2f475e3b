#include "platform/glyph_blend.h"

#include <cstring>

namespace tav::platform {
namespace {

// Four pixels as 32-bit lanes, or as eight 16-bit lanes: a pixel masked with 0x00FF00FF holds
// blue and red each in a 16-bit lane of its own, and shifted right by 8 first, green and the
// unused top byte. Every product and sum of BlendPixel fits in 16 bits, so one 16-bit multiply
// serves two channels of a pixel at once.
using U32x4 = uint32_t __attribute__((vector_size(16)));
using U16x8 = uint16_t __attribute__((vector_size(16)));
using U8x8 = uint8_t __attribute__((vector_size(8)));

// (source·alpha + destination·(255 - alpha)) / 255, rounded, in each 16-bit lane.
inline U16x8 MixLanes(U16x8 source, U16x8 destination, U16x8 alpha, U16x8 inverse) {
  U16x8 x = source * alpha + destination * inverse + 0x80;
  return (x + (x >> 8)) >> 8;
}

// Four pixels; `alpha` holds each pixel's coverage twice, in both 16-bit halves of its lane.
inline U32x4 BlendFour(U32x4 destination, U16x8 alpha, U32x4 sourceLow, U32x4 sourceHigh) {
  const U16x8 inverse = reinterpret_cast<U16x8>(U32x4{} + 0xFF00FFu) - alpha;
  const U16x8 low = MixLanes(reinterpret_cast<U16x8>(sourceLow), reinterpret_cast<U16x8>(destination & 0xFF00FFu),
                             alpha, inverse);
  const U16x8 high = MixLanes(reinterpret_cast<U16x8>(sourceHigh),
                              reinterpret_cast<U16x8>((destination >> 8) & 0xFF00FFu), alpha, inverse);
  const U32x4 blended = (reinterpret_cast<U32x4>(low) | reinterpret_cast<U32x4>(high) << 8) & 0xFFFFFFu;
  // Where the coverage is 0 the pixel stays exactly as it was.
  const auto untouched = reinterpret_cast<U32x4>(reinterpret_cast<U32x4>(alpha) == 0);
  return (destination & untouched) | (blended & ~untouched);
}

// Up to eight coverage bytes widened to 16-bit lanes, pixel i in lane i.
inline U16x8 WidenCoverage(const uint8_t* coverage, size_t count) {
  U8x8 bytes{};
  std::memcpy(&bytes, coverage, count);
  return __builtin_convertvector(bytes, U16x8);
}

inline void BlendFourAt(uint32_t* out, U16x8 alpha, U32x4 sourceLow, U32x4 sourceHigh) {
  U32x4 destination;
  std::memcpy(&destination, out, sizeof destination);
  const U32x4 result = BlendFour(destination, alpha, sourceLow, sourceHigh);
  std::memcpy(out, &result, sizeof result);
}

}  // namespace

void BlendCoverage(uint32_t* out, size_t outStride, const uint8_t* coverage, size_t coverageStride, size_t count,
                   size_t rows, uint32_t source) {
  const U32x4 sourceLow = U32x4{} + (source & 0xFF00FFu);
  const U32x4 sourceHigh = U32x4{} + ((source >> 8) & 0xFF00FFu);
  for (; rows > 0; --rows, out += outStride, coverage += coverageStride) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
      uint64_t eight;
      std::memcpy(&eight, coverage + i, sizeof eight);
      if (eight == 0) continue;  // the blank edges of a glyph's box
      if (eight == ~uint64_t{0}) {
        for (size_t k = 0; k < 8; ++k) out[i + k] = source;
        continue;
      }
      const U16x8 alpha = WidenCoverage(coverage + i, 8);
      BlendFourAt(out + i, __builtin_shufflevector(alpha, alpha, 0, 0, 1, 1, 2, 2, 3, 3), sourceLow, sourceHigh);
      BlendFourAt(out + i + 4, __builtin_shufflevector(alpha, alpha, 4, 4, 5, 5, 6, 6, 7, 7), sourceLow, sourceHigh);
    }
    if (i + 4 <= count) {
      const U16x8 alpha = WidenCoverage(coverage + i, 4);
      BlendFourAt(out + i, __builtin_shufflevector(alpha, alpha, 0, 0, 1, 1, 2, 2, 3, 3), sourceLow, sourceHigh);
      i += 4;
    }
    for (; i < count; ++i) out[i] = BlendPixel(out[i], source, coverage[i]);
  }
}

}  // namespace tav::platform
