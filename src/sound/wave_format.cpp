#include "sound/wave_format.h"

#include <cstring>

namespace tav::sound {
namespace {

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | uint32_t{Get16(p + 2)} << 16; }

// The GUID of PCM sub-formats: {00000001-0000-0010-8000-00AA00389B71}.
constexpr uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                       0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Rates beyond this would make the resampler's steps and buffers absurd.
constexpr uint32_t kMaxRate = 768000;

}  // namespace

WaveFormat WaveFormat::Pcm(uint32_t rate, uint16_t channels, uint16_t bits) {
  WaveFormat f;
  f.tag = kFormatPcm;
  f.channels = channels;
  f.rate = rate;
  f.bits = bits;
  f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
  f.avgBytesPerSec = rate * f.blockAlign;
  return f;
}

std::optional<WaveFormat> WaveFormat::Parse(const uint8_t* bytes, size_t size) {
  if (size < 16) return std::nullopt;
  WaveFormat f;
  f.tag = Get16(bytes);
  f.channels = Get16(bytes + 2);
  f.rate = Get32(bytes + 4);
  f.avgBytesPerSec = Get32(bytes + 8);
  f.blockAlign = Get16(bytes + 12);
  f.bits = Get16(bytes + 14);
  if (size >= 18) {
    const size_t extraSize = std::min<size_t>(Get16(bytes + 16), size - 18);
    f.extra.assign(bytes + 18, bytes + 18 + extraSize);
  }
  return f;
}

bool WaveFormat::IsPcm() const {
  if (tag == kFormatPcm) return true;
  // Extensible: valid bits (2), channel mask (4), then the sub-format GUID.
  return tag == kFormatExtensible && extra.size() >= 22 && std::memcmp(extra.data() + 6, kPcmSubFormat, 16) == 0;
}

bool WaveFormat::IsPlayablePcm() const {
  return (channels == 1 || channels == 2) && (bits == 8 || bits == 16) && rate > 0 && rate <= kMaxRate &&
         blockAlign != 0;
}

}  // namespace tav::sound
