#include "gdi/glyph_blend.h"

#include <cstring>

namespace tav::platform {
namespace {

// Pixels as 32-bit lanes, or as twice as many 16-bit lanes: a pixel masked with 0x00FF00FF
// holds blue and red each in a 16-bit lane of its own, and shifted right by 8 first, green and
// the unused top byte. Every product and sum of BlendPixel fits in 16 bits, so one 16-bit
// multiply serves two channels of a pixel at once.
using U32x8 = uint32_t __attribute__((vector_size(32)));
using U32x4 = uint32_t __attribute__((vector_size(16)));
using U16x8 = uint16_t __attribute__((vector_size(16)));
using U16x4 = uint16_t __attribute__((vector_size(8)));
using U8x8 = uint8_t __attribute__((vector_size(8)));
using U8x4 = uint8_t __attribute__((vector_size(4)));

// The helpers below pass eight-pixel vectors by value. They are always inlined into the one
// function that uses them, so the calling convention GCC warns about never applies.
#pragma GCC diagnostic ignored "-Wpsabi"
#define TAV_INLINE inline __attribute__((always_inline))

// (source·alpha + destination·(255 - alpha)) / 255, rounded, in each 16-bit lane.
template <class U16>
TAV_INLINE U16 MixLanes(U16 source, U16 destination, U16 alpha, U16 inverse) {
  U16 x = source * alpha + destination * inverse + 0x80;
  return (x + (x >> 8)) >> 8;
}

// Pixels at `out`, one per lane of U32; `alpha` holds each pixel's coverage twice, in both
// 16-bit halves of its lane.
template <class U32, class U16>
TAV_INLINE void BlendAt(uint32_t* out, U16 alpha, uint32_t source) {
  U32 destination;
  std::memcpy(&destination, out, sizeof destination);
  const U16 inverse = reinterpret_cast<U16>(U32{} + 0xFF00FFu) - alpha;
  const U16 low = MixLanes(reinterpret_cast<U16>(U32{} + (source & 0xFF00FFu)),
                           reinterpret_cast<U16>(destination & 0xFF00FFu), alpha, inverse);
  const U16 high = MixLanes(reinterpret_cast<U16>(U32{} + ((source >> 8) & 0xFF00FFu)),
                            reinterpret_cast<U16>((destination >> 8) & 0xFF00FFu), alpha, inverse);
  const U32 blended = (reinterpret_cast<U32>(low) | reinterpret_cast<U32>(high) << 8) & 0xFFFFFFu;
  // Where the coverage is 0 the pixel stays exactly as it was.
  const auto untouched = reinterpret_cast<U32>(reinterpret_cast<U32>(alpha) == 0);
  const U32 result = (destination & untouched) | (blended & ~untouched);
  std::memcpy(out, &result, sizeof result);
}

// The blend of one glyph's rows, compiled twice below.
TAV_INLINE void BlendRows(uint32_t* out, size_t outStride, const uint8_t* coverage, size_t coverageStride,
                          size_t count, size_t rows, uint32_t source) {
  for (; rows > 0; --rows, out += outStride, coverage += coverageStride) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
      U8x8 bytes;
      std::memcpy(&bytes, coverage + i, sizeof bytes);
      uint64_t eight;
      std::memcpy(&eight, &bytes, sizeof eight);
      if (eight == 0) continue;  // the blank edges of a glyph's box
      if (eight == ~uint64_t{0}) {
        for (size_t k = 0; k < 8; ++k) out[i + k] = source;
        continue;
      }
      const U16x8 alpha = __builtin_convertvector(bytes, U16x8);
      BlendAt<U32x8>(out + i,
                     __builtin_shufflevector(alpha, alpha, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7), source);
    }
    if (i + 4 <= count) {
      U8x4 bytes;
      std::memcpy(&bytes, coverage + i, sizeof bytes);
      const U16x4 alpha = __builtin_convertvector(bytes, U16x4);
      BlendAt<U32x4>(out + i, __builtin_shufflevector(alpha, alpha, 0, 0, 1, 1, 2, 2, 3, 3), source);
      i += 4;
    }
    for (; i < count; ++i) out[i] = BlendPixel(out[i], source, coverage[i]);
  }
}

#if defined(__x86_64__)
// Eight pixels a step in one register, on processors that have the wider vectors.
__attribute__((target("avx2"))) void BlendRowsWide(uint32_t* out, size_t outStride, const uint8_t* coverage,
                                                   size_t coverageStride, size_t count, size_t rows, uint32_t source) {
  BlendRows(out, outStride, coverage, coverageStride, count, rows, source);
}
#endif

}  // namespace

void BlendCoverageBaseline(uint32_t* out, size_t outStride, const uint8_t* coverage, size_t coverageStride,
                           size_t count, size_t rows, uint32_t source) {
  BlendRows(out, outStride, coverage, coverageStride, count, rows, source);
}

void BlendCoverage(uint32_t* out, size_t outStride, const uint8_t* coverage, size_t coverageStride, size_t count,
                   size_t rows, uint32_t source) {
#if defined(__x86_64__)
  static const bool wide = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
  if (wide) {
    BlendRowsWide(out, outStride, coverage, coverageStride, count, rows, source);
    return;
  }
#endif
  BlendRows(out, outStride, coverage, coverageStride, count, rows, source);
}

}  // namespace tav::platform
