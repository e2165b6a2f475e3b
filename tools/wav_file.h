#pragma once

// Plain PCM WAV files for the MIO commands: reading what authors' tools write (PCM or
// extensible PCM, any chunk order, odd chunks padded) and writing the canonical 44-byte form.

#include <cstdint>
#include <string>
#include <vector>

namespace tav::tools {

struct PcmSound {
  uint32_t channels = 0;
  uint32_t samplesPerSec = 0;
  uint32_t bitsPerSample = 0;
  std::vector<uint8_t> data;  // interleaved; 8-bit unsigned or 16-bit little-endian signed
};

// Empty string on success, otherwise why the file cannot be used.
std::string ReadWav(const std::string& path, PcmSound& sound);
std::string WriteWav(const std::string& path, const PcmSound& sound);

}  // namespace tav::tools
