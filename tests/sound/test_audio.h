#pragma once

// Test sounds made in memory: WAV files of any PCM layout (and hand-made broken ones), Ogg
// Vorbis files encoded with libvorbisenc, and reading a recorded WAV back.

#include <cstdint>
#include <string>
#include <vector>

namespace tav::sound::testing {

using Bytes = std::vector<uint8_t>;

// Interleaved frames of a sine (8-bit unsigned or 16-bit signed little-endian).
Bytes SinePcm(uint32_t rate, uint16_t channels, uint16_t bits, size_t frames, double hz, double level = 0.5);
// A RIFF/WAVE file: "fmt " (16 bytes, or `formatBytes` as given) and "data" chunks.
Bytes WavFile(uint32_t rate, uint16_t channels, uint16_t bits, const Bytes& pcm);
Bytes WavFileWithFormat(const Bytes& formatBytes, const Bytes& data);
// Chunk of a RIFF file: id, size, body (the size field as given).
Bytes Chunk(const char* id, const Bytes& body, int64_t statedSize = -1);
Bytes Riff(const Bytes& chunks);

// An Ogg Vorbis file of 16-bit PCM frames (interleaved), quality 0.4.
Bytes OggFile(uint32_t rate, uint16_t channels, const std::vector<int16_t>& frames);
std::vector<int16_t> SineFrames(uint32_t rate, uint16_t channels, size_t frames, double hz);
// The PCM libvorbisfile decodes from an Ogg file.
std::vector<int16_t> DecodeOgg(const Bytes& file);

void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);

}  // namespace tav::sound::testing
