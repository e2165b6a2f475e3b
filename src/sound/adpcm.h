#pragma once

// ADPCM WAV data decoded to 16-bit PCM: Microsoft ADPCM (format tag 2) and IMA ADPCM (0x11).
// This is what the mixer does with such data where a system codec would otherwise convert it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sound/wave_format.h"

namespace tav::sound {

// Whether the format describes ADPCM this decoder takes (1 or 2 channels, 4 bits, a block large
// enough for its header).
bool IsDecodableAdpcm(const WaveFormat& format);

// Samples per channel in one block of the format.
uint32_t AdpcmSamplesPerBlock(const WaveFormat& format);

// Decodes whole blocks (and a short last block as far as it goes) into interleaved 16-bit PCM
// appended to `out`. Damaged blocks decode to whatever their bytes say, never beyond them.
void DecodeAdpcm(const WaveFormat& format, const uint8_t* data, size_t bytes, std::vector<int16_t>& out);

}  // namespace tav::sound
