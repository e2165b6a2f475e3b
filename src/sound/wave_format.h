#pragma once

// A wave format record as WAV files store it (WAVEFORMATEX): the 16 bytes every format has, the
// extra size and the extra bytes of non-PCM formats.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/audio_output.h"

namespace tav::sound {

inline constexpr uint16_t kFormatPcm = 1;
inline constexpr uint16_t kFormatMsAdpcm = 2;
inline constexpr uint16_t kFormatImaAdpcm = 0x11;
inline constexpr uint16_t kFormatExtensible = 0xFFFE;

struct WaveFormat {
  uint16_t tag = kFormatPcm;
  uint16_t channels = 2;
  uint32_t rate = 44100;
  uint32_t avgBytesPerSec = 44100 * 4;
  uint16_t blockAlign = 4;
  uint16_t bits = 16;
  std::vector<uint8_t> extra;  // the bytes after cbSize

  static WaveFormat Pcm(uint32_t rate, uint16_t channels, uint16_t bits);
  // The record as stored; nothing when it is shorter than 16 bytes.
  static std::optional<WaveFormat> Parse(const uint8_t* bytes, size_t size);

  // PCM, or an extensible record whose sub-format is PCM (modern tools write those).
  bool IsPcm() const;
  bool IsAdpcm() const { return tag == kFormatMsAdpcm || tag == kFormatImaAdpcm; }
  // Channels, bits and rate the mixer can convert: 1 or 2 channels of 8 or 16 bits, a rate it
  // can step through, a block alignment that is not 0.
  bool IsPlayablePcm() const;
  uint32_t FrameBytes() const { return channels * bits / 8u; }
  platform::AudioFormat AsAudioFormat() const { return {rate, channels, bits}; }
};

}  // namespace tav::sound
