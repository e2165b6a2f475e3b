#pragma once

// The mixer's arithmetic: gains as 16.16 multipliers with four significant bits, and adding one
// sound's samples into a mix with saturation. Integer only, so a mix is the same on every run.

#include <cstddef>
#include <cstdint>

#include "platform/audio_output.h"

namespace tav::sound {

// 0 for 0 (and NaN), +-0x10000 from a magnitude of 1 on; otherwise the value rounded to four
// significant binary digits, as 16.16 fixed point with the float's sign.
int32_t QuantiseGain(float gain);

// Whether a multiplier is one QuantiseGain can give (so adding it once is as good as two steps).
bool IsQuantisedGain(int32_t multiplier);

// dst += (src x multiplier) >> 16 per sample, saturating; `count` frames of the format (8 or
// 16 bits, 1 or 2 channels). Nothing when both multipliers are 0. Full gain (0x10000) adds the
// source exactly, so a sound alone at full volume comes out bit for bit.
void MixAdd(const platform::AudioFormat& format, uint8_t* dst, const uint8_t* src, int32_t left, int32_t right,
            size_t count);

// The 16-bit stereo loop without and with SSE2 (MixAdd picks one); for tests and the benchmark.
void MixAddStereo16Scalar(int16_t* dst, const int16_t* src, int32_t left, int32_t right, size_t frames);
void MixAddStereo16Sse2(int16_t* dst, const int16_t* src, int32_t left, int32_t right, size_t frames);

// Silence of the format: 0x80 bytes for 8 bits, zeros for 16.
void FillSilence(const platform::AudioFormat& format, uint8_t* dst, size_t count);

}  // namespace tav::sound
