#include "test_audio.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "ogg_vorbis_encoder.h"

namespace tav::sound::testing {
namespace {

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

}  // namespace

Bytes SinePcm(uint32_t rate, uint16_t channels, uint16_t bits, size_t frames, double hz, double level) {
  Bytes out;
  for (size_t i = 0; i < frames; ++i) {
    const double v = std::sin(2 * M_PI * hz * static_cast<double>(i) / rate) * level;
    for (uint16_t c = 0; c < channels; ++c) {
      // The right channel is a little quieter, so that swapped channels show.
      const double s = c == 1 ? v * 0.75 : v;
      if (bits == 8) {
        out.push_back(static_cast<uint8_t>(std::lround(s * 127) + 128));
      } else {
        Put16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(s * 32767))));
      }
    }
  }
  return out;
}

Bytes Chunk(const char* id, const Bytes& body, int64_t statedSize) {
  Bytes b(id, id + 4);
  Put32(b, static_cast<uint32_t>(statedSize < 0 ? body.size() : statedSize));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes Riff(const Bytes& chunks) {
  Bytes b{'R', 'I', 'F', 'F'};
  Put32(b, static_cast<uint32_t>(chunks.size() + 4));
  b.insert(b.end(), {'W', 'A', 'V', 'E'});
  b.insert(b.end(), chunks.begin(), chunks.end());
  return b;
}

Bytes WavFileWithFormat(const Bytes& formatBytes, const Bytes& data) {
  Bytes chunks = Chunk("fmt ", formatBytes);
  const Bytes d = Chunk("data", data);
  chunks.insert(chunks.end(), d.begin(), d.end());
  return Riff(chunks);
}

Bytes WavFile(uint32_t rate, uint16_t channels, uint16_t bits, const Bytes& pcm) {
  Bytes format;
  Put16(format, 1);
  Put16(format, channels);
  Put32(format, rate);
  Put32(format, rate * channels * bits / 8);
  Put16(format, channels * bits / 8);
  Put16(format, bits);
  return WavFileWithFormat(format, pcm);
}

std::vector<int16_t> SineFrames(uint32_t rate, uint16_t channels, size_t frames, double hz) {
  const Bytes pcm = SinePcm(rate, channels, 16, frames, hz);
  std::vector<int16_t> out(pcm.size() / 2);
  std::memcpy(out.data(), pcm.data(), pcm.size());
  return out;
}

Bytes OggFile(uint32_t rate, uint16_t channels, const std::vector<int16_t>& frames) {
  std::vector<float> samples(frames.size());
  for (size_t i = 0; i < frames.size(); ++i) samples[i] = frames[i] / 32768.0f;
  tav::ogg::OggVorbisSettings settings;
  settings.rate = static_cast<long>(rate);
  settings.channels = channels;
  settings.quality = 0.4f;
  settings.serial = 1;
  return tav::ogg::EncodeOggVorbis(samples, settings);
}

namespace {
struct MemorySource {
  const Bytes* data;
  size_t at = 0;
};
size_t MemRead(void* p, size_t size, size_t n, void* s) {
  auto* m = static_cast<MemorySource*>(s);
  const size_t bytes = std::min(size * n, m->data->size() - m->at);
  std::memcpy(p, m->data->data() + m->at, bytes);
  m->at += bytes;
  return bytes / size;
}
int MemSeek(void* s, ogg_int64_t offset, int whence) {
  auto* m = static_cast<MemorySource*>(s);
  const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<int64_t>(m->at)
                                                                   : static_cast<int64_t>(m->data->size());
  m->at = static_cast<size_t>(std::clamp<int64_t>(base + offset, 0, static_cast<int64_t>(m->data->size())));
  return 0;
}
long MemTell(void* s) { return static_cast<long>(static_cast<MemorySource*>(s)->at); }
}  // namespace

std::vector<int16_t> DecodeOgg(const Bytes& file) {
  MemorySource source{&file};
  OggVorbis_File vf;
  std::vector<int16_t> out;
  if (ov_open_callbacks(&source, &vf, nullptr, 0, {MemRead, MemSeek, nullptr, MemTell}) != 0) return out;
  char buffer[4096];
  int bitstream = 0;
  for (;;) {
    const long n = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &bitstream);
    if (n == OV_HOLE) continue;
    if (n <= 0) break;
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(n) / 2);
    std::memcpy(out.data() + at, buffer, static_cast<size_t>(n));
  }
  ov_clear(&vf);
  return out;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace tav::sound::testing
