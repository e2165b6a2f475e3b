#include "wav_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tav::tools {

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
void Put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v));
  out.push_back(static_cast<char>(v >> 8));
}

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

}  // namespace

std::string ReadWav(const std::string& path, PcmSound& sound) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "cannot open " + path;
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (file.size() < 12 || memcmp(file.data(), "RIFF", 4) != 0 || memcmp(file.data() + 8, "WAVE", 4) != 0) {
    return path + " is not a WAV file";
  }
  bool haveFormat = false, haveData = false;
  size_t at = 12;
  while (at + 8 <= file.size()) {
    uint32_t size = Le32(file.data() + at + 4);
    const uint8_t* body = file.data() + at + 8;
    size_t available = file.size() - at - 8;
    if (memcmp(file.data() + at, "fmt ", 4) == 0) {
      if (size < 16 || available < 16) return path + ": the format chunk is too short";
      uint16_t tag = Le16(body);
      if (tag == kFormatExtensible && size >= 40 && available >= 40) tag = Le16(body + 24);
      if (tag != kFormatPcm) return path + ": only PCM WAV files can be encoded";
      sound.channels = Le16(body + 2);
      sound.samplesPerSec = Le32(body + 4);
      sound.bitsPerSample = Le16(body + 14);
      haveFormat = true;
    } else if (memcmp(file.data() + at, "data", 4) == 0) {
      size_t take = std::min<size_t>(size, available);  // a truncated file keeps what it has
      sound.data.assign(body, body + take);
      haveData = true;
    }
    at += 8 + size_t{size} + (size & 1);
  }
  if (!haveFormat) return path + " has no format chunk";
  if (!haveData) return path + " has no data chunk";
  if (sound.channels != 1 && sound.channels != 2) return path + ": MIO holds mono or stereo sound only";
  if (sound.bitsPerSample != 8 && sound.bitsPerSample != 16) {
    return path + ": MIO holds 8-bit or 16-bit samples only";
  }
  if (sound.samplesPerSec == 0) return path + ": the sample rate is 0";
  size_t frame = size_t{sound.channels} * sound.bitsPerSample / 8;
  sound.data.resize(sound.data.size() / frame * frame);
  return {};
}

std::string WriteWav(const std::string& path, const PcmSound& sound) {
  uint32_t frame = sound.channels * sound.bitsPerSample / 8;
  std::string out = "RIFF";
  Put32(out, static_cast<uint32_t>(36 + sound.data.size() + sound.data.size() % 2));
  out += "WAVEfmt ";
  Put32(out, 16);
  Put16(out, kFormatPcm);
  Put16(out, static_cast<uint16_t>(sound.channels));
  Put32(out, sound.samplesPerSec);
  Put32(out, sound.samplesPerSec * frame);
  Put16(out, static_cast<uint16_t>(frame));
  Put16(out, static_cast<uint16_t>(sound.bitsPerSample));
  out += "data";
  Put32(out, static_cast<uint32_t>(sound.data.size()));
  out.append(reinterpret_cast<const char*>(sound.data.data()), sound.data.size());
  if (sound.data.size() % 2 != 0) out.push_back('\0');
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file.write(out.data(), static_cast<std::streamsize>(out.size())) || !file.flush()) {
    return "cannot write " + path;
  }
  return {};
}

}  // namespace tav::tools
