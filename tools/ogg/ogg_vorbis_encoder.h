#pragma once

// Encoding Ogg Vorbis in memory with libvorbisenc, for what makes sound files rather than plays
// them: the demo game's synthesiser and the sound tests. The engine itself only decodes.

#include <cstdint>
#include <vector>

namespace tav::ogg {

struct OggVorbisSettings {
  long rate = 22050;
  int channels = 1;
  float quality = 0.4f;         // libvorbisenc's variable bit rate quality, -0.1 to 1
  int serial = 1;               // the stream's serial number: fixed, so equal input gives equal files
  const char* title = nullptr;  // a TITLE comment, when given
};

// The whole Ogg Vorbis file of `interleaved` samples (-1 to 1, one per channel a frame); empty
// when the encoder refuses the settings.
std::vector<uint8_t> EncodeOggVorbis(const std::vector<float>& interleaved, const OggVorbisSettings& settings);

}  // namespace tav::ogg
