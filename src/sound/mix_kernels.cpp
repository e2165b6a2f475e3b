#include "sound/mix_kernels.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "medialib/library_init.h"

namespace tav::sound {
namespace {

int16_t Saturate16(int32_t v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }

}  // namespace

int32_t QuantiseGain(float gain) {
  if (!(gain == gain) || gain == 0.0f) return 0;
  if (std::fabs(gain) >= 1.0f) return gain > 0 ? 0x10000 : -0x10000;
#if defined(__cpp_lib_bit_cast)
  const uint32_t bits = std::bit_cast<uint32_t>(gain);
#else  // the web build's C++ library (libc++ 13) lacks std::bit_cast
  const uint32_t bits = __builtin_bit_cast(uint32_t, gain);
#endif
  const int exponent = static_cast<int>(bits >> 23 & 0xFF) - 127;  // negative below 1
  uint32_t mantissa = (bits & 0x7FFFFF) | 0x800000;
  mantissa = (mantissa + (1u << 19)) & ~((1u << 20) - 1);
  // mantissa x 2^(exponent - 23) in units of 2^-16.
  const int shift = 7 - exponent;
  const int32_t magnitude = shift >= 32 ? 0 : static_cast<int32_t>(mantissa >> shift);
  return gain < 0 ? -magnitude : magnitude;
}

bool IsQuantisedGain(int32_t multiplier) {
  return QuantiseGain(static_cast<float>(multiplier) / 65536.0f) == multiplier;
}

void MixAddStereo16Scalar(int16_t* dst, const int16_t* src, int32_t left, int32_t right, size_t frames) {
  for (size_t i = 0; i < frames; ++i) {
    dst[2 * i] = Saturate16(dst[2 * i] + static_cast<int32_t>((int64_t{src[2 * i]} * left) >> 16));
    dst[2 * i + 1] = Saturate16(dst[2 * i + 1] + static_cast<int32_t>((int64_t{src[2 * i + 1]} * right) >> 16));
  }
}

void MixAddStereo16Sse2(int16_t* dst, const int16_t* src, int32_t left, int32_t right, size_t frames) {
#if defined(__SSE2__)
  // Exactly the scalar rule. (s x m) >> 16 is the high half of the product: with m split into
  // its low 16 bits and a top bit (only 0x10000 has one), that is the unsigned high half of
  // s x low, less low where s is negative (s is signed), plus s where the top bit is set. The
  // result never exceeds |s|, so it fits. Negative multipliers (only in corrections) take the
  // scalar loop.
  if (left < 0 || right < 0) {
    MixAddStereo16Scalar(dst, src, left, right, frames);
    return;
  }
  const auto l = static_cast<int16_t>(left & 0xFFFF), r = static_cast<int16_t>(right & 0xFFFF);
  const __m128i low = _mm_set_epi16(r, l, r, l, r, l, r, l);
  const int16_t topL = (left >> 16) ? -1 : 0, topR = (right >> 16) ? -1 : 0;
  const __m128i top = _mm_set_epi16(topR, topL, topR, topL, topR, topL, topR, topL);
  size_t i = 0;
  for (; i + 4 <= frames; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * i));
    __m128i hi = _mm_sub_epi16(_mm_mulhi_epu16(s, low), _mm_and_si128(_mm_srai_epi16(s, 15), low));
    hi = _mm_add_epi16(hi, _mm_and_si128(s, top));
    __m128i* out = reinterpret_cast<__m128i*>(dst + 2 * i);
    _mm_storeu_si128(out, _mm_adds_epi16(_mm_loadu_si128(out), hi));
  }
  MixAddStereo16Scalar(dst + 2 * i, src + 2 * i, left, right, frames - i);
#else
  MixAddStereo16Scalar(dst, src, left, right, frames);
#endif
}

void MixAdd(const platform::AudioFormat& format, uint8_t* dst, const uint8_t* src, int32_t left, int32_t right,
            size_t count) {
  if (left == 0 && right == 0) return;
  if (format.bits == 16) {
    auto* d = reinterpret_cast<int16_t*>(dst);
    const auto* s = reinterpret_cast<const int16_t*>(src);
    if (format.channels == 2) {
      if (medialib::rudGetEnabledProcessorType() & medialib::kProcessorSse2) {
        MixAddStereo16Sse2(d, s, left, right, count);
      } else {
        MixAddStereo16Scalar(d, s, left, right, count);
      }
    } else {
      for (size_t i = 0; i < count; ++i) d[i] = Saturate16(d[i] + static_cast<int32_t>((int64_t{s[i]} * left) >> 16));
    }
    return;
  }
  const size_t samples = count * format.channels;
  for (size_t i = 0; i < samples; ++i) {
    const int32_t gain = format.channels == 2 && i % 2 == 1 ? right : left;
    const int32_t value = dst[i] + (((src[i] - 128) * gain) >> 16);
    dst[i] = static_cast<uint8_t>(std::clamp(value, 0, 255));
  }
}

void FillSilence(const platform::AudioFormat& format, uint8_t* dst, size_t count) {
  std::memset(dst, format.bits == 8 ? 0x80 : 0, count * format.BytesPerFrame());
}

}  // namespace tav::sound
