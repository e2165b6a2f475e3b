// Checks a recording made with --audio-out against expected_audio.txt, decoding the game's
// sound files on its own (a plain RIFF reader; libvorbisfile straight from the file):
//
//   frames N              the recording holds N frames of 44100 Hz 16-bit stereo
//   silent A B            frames [A, B) are silent
//   same A FILE [F C]     frames from A are FILE's frames F to F + C (default: all of them),
//                         bit for bit; FILE is a 44100 Hz 16-bit stereo WAV or Ogg Vorbis file
//   sounding A B          frames [A, B) sound without a gap (no 64 silent frames in a row):
//                         for real-time sessions, whose exact frames vary from run to run
//   levels P1 P2 ...      from the first sound on, the loudness (the peak of each 10 ms) steps
//                         through these levels, in per cent of the first, each held at least
//                         0.1 s, and through no other: for a player's volume changes
//
// Usage: audio_check RECORDING EXPECTED GAME_DIR. Exit 0 when every line holds.
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Samples = std::vector<int16_t>;

std::vector<uint8_t> Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// 44100 Hz 16-bit stereo PCM of a WAV file; false for anything else.
bool ReadWav(const std::string& path, Samples& out) {
  const std::vector<uint8_t> f = Read(path);
  if (f.size() < 12 || std::memcmp(f.data(), "RIFF", 4) != 0) return false;
  bool formatOk = false;
  for (size_t at = 12; at + 8 <= f.size();) {
    const uint32_t size = U32(&f[at + 4]);
    const uint8_t* body = &f[at + 8];
    if (std::memcmp(&f[at], "fmt ", 4) == 0 && size >= 16) {
      formatOk = U16(body) == 1 && U16(body + 2) == 2 && U32(body + 4) == 44100 && U16(body + 14) == 16;
    } else if (std::memcmp(&f[at], "data", 4) == 0 && formatOk) {
      const size_t bytes = std::min<size_t>(size, f.size() - at - 8);
      out.resize(bytes / 2);
      std::memcpy(out.data(), body, out.size() * 2);
      return true;
    }
    at += 8 + size;
  }
  return false;
}

bool ReadOgg(const std::string& path, Samples& out) {
  OggVorbis_File vf;
  if (ov_fopen(path.c_str(), &vf) != 0) return false;
  const vorbis_info* info = ov_info(&vf, -1);
  const bool ok = info->channels == 2 && info->rate == 44100;
  char buffer[4096];
  int bitstream = 0;
  for (long n; ok && (n = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &bitstream)) != 0;) {
    if (n < 0) continue;
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(n) / 2);
    std::memcpy(out.data() + at, buffer, static_cast<size_t>(n));
  }
  ov_clear(&vf);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: audio_check RECORDING EXPECTED GAME_DIR\n");
    return 2;
  }
  Samples rec;
  if (!ReadWav(argv[1], rec)) {
    std::fprintf(stderr, "%s: not a complete 44100 Hz 16-bit stereo WAV file\n", argv[1]);
    return 1;
  }
  std::ifstream expected(argv[2]);
  std::string line;
  int failures = 0, number = 0;
  auto fail = [&](const std::string& why) {
    std::fprintf(stderr, "%s:%d: %s\n", argv[2], number, why.c_str());
    ++failures;
  };
  while (std::getline(expected, line)) {
    ++number;
    std::istringstream words(line);
    std::string command;
    if (!(words >> command) || command[0] == '#') continue;
    const size_t frames = rec.size() / 2;
    if (command == "frames") {
      size_t n = 0;
      words >> n;
      if (n != frames) fail("the recording holds " + std::to_string(frames) + " frames, not " + std::to_string(n));
    } else if (command == "silent") {
      size_t a = 0, b = 0;
      words >> a >> b;
      for (size_t i = 2 * a; i < 2 * b; ++i) {
        if (i >= rec.size() || rec[i] != 0) {
          fail("not silent at frame " + std::to_string(i / 2));
          break;
        }
      }
    } else if (command == "sounding") {
      size_t a = 0, b = 0, run = 0;
      words >> a >> b;
      if (b > frames) fail("the recording ends at frame " + std::to_string(frames));
      for (size_t f = a; f < std::min(b, frames); ++f) {
        run = rec[2 * f] == 0 && rec[2 * f + 1] == 0 ? run + 1 : 0;
        if (run == 64) {
          fail("a gap at frame " + std::to_string(f - 63));
          break;
        }
      }
    } else if (command == "same") {
      size_t a = 0, from = 0, count = SIZE_MAX;
      std::string file;
      words >> a >> file >> from >> count;
      Samples source;
      const std::string path = std::string(argv[3]) + "/" + file;
      const bool ok = file.size() > 4 && file.substr(file.size() - 4) == ".ogg" ? ReadOgg(path, source)
                                                                                : ReadWav(path, source);
      if (!ok) {
        fail("cannot decode " + path);
        continue;
      }
      count = std::min(count, source.size() / 2 - std::min(from, source.size() / 2));
      if (a + count > frames) {
        fail("the recording ends before " + file + " does");
        continue;
      }
      for (size_t i = 0; i < 2 * count; ++i) {
        if (rec[2 * a + i] != source[2 * from + i]) {
          fail("frame " + std::to_string(a + i / 2) + " differs from " + file + " frame " +
               std::to_string(from + i / 2) + ": " + std::to_string(rec[2 * a + i]) + " instead of " +
               std::to_string(source[2 * from + i]));
          break;
        }
      }
    } else if (command == "levels") {
      std::vector<long> want, got;
      for (long p = 0; words >> p;) want.push_back(p);
      constexpr size_t kBlock = 441, kHeld = 10;
      long first = 0, last = -1;
      size_t run = 0;
      for (size_t b = 0; (b + 1) * kBlock <= frames; ++b) {
        long peak = 0;
        for (size_t i = 2 * b * kBlock; i < 2 * (b + 1) * kBlock; ++i) peak = std::max(peak, std::labs(rec[i]));
        if (first == 0) first = peak;
        if (first == 0) continue;
        const long level = (peak * 100 + first / 2) / first;
        run = level == last ? run + 1 : 1;
        last = level;
        if (run == kHeld && (got.empty() || got.back() != level)) got.push_back(level);
      }
      std::string heard;
      for (long p : got) heard += " " + std::to_string(p);
      if (got != want) fail("the levels heard are" + (heard.empty() ? std::string(" none") : heard));
    } else {
      fail("unknown line");
    }
  }
  return failures == 0 ? 0 : 1;
}
