// Writes the demo game's music and sound effects, synthesised from short note lists, so that the
// repository holds no recorded audio: two looping tunes as Ogg Vorbis and four effects as 16-bit
// PCM WAV (one of them is turned into a lossless MIO by the build). Usage: make_sounds OUT_DIR.
// The output is the same on every run: the Ogg stream serial number is fixed and nothing is random.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ogg_vorbis_encoder.h"

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

struct Note {
  int midi;      // 0: a rest
  double beats;
};

double Frequency(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// Adds one plucked tone (a few harmonics, fast attack, exponential decay) at `start`.
void AddTone(std::vector<float>& out, size_t start, double seconds, double freq, double gain, double decay) {
  const size_t n = static_cast<size_t>(seconds * kRate);
  for (size_t i = 0; i < n && start + i < out.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double env = std::min(1.0, t * 200.0) * std::exp(-t * decay) * std::min(1.0, (seconds - t) * 50.0);
    const double w = 2 * kPi * freq * t;
    out[start + i] += static_cast<float>(gain * env * (std::sin(w) + 0.35 * std::sin(2 * w) + 0.15 * std::sin(3 * w)));
  }
}

// A tune: a melody and a bass line over the same number of beats; the tail wraps around so that
// the loop joins without a click.
std::vector<float> Tune(const std::vector<Note>& melody, const std::vector<Note>& bass, double bpm, double decay) {
  double beats = 0;
  for (const Note& note : melody) beats += note.beats;
  const double beat = 60.0 / bpm;
  std::vector<float> out(static_cast<size_t>(beats * beat * kRate) + kRate, 0.0f);
  auto play = [&](const std::vector<Note>& notes, double gain) {
    double at = 0;
    for (const Note& note : notes) {
      if (note.midi > 0) {
        AddTone(out, static_cast<size_t>(at * beat * kRate), note.beats * beat * 1.5, Frequency(note.midi), gain, decay);
      }
      at += note.beats;
    }
  };
  play(melody, 0.30);
  play(bass, 0.22);
  const size_t length = static_cast<size_t>(beats * beat * kRate);
  for (size_t i = length; i < out.size(); ++i) out[i - length] += out[i];
  out.resize(length);
  return out;
}

bool WriteWav(const std::string& path, const std::vector<float>& samples) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) std::fputc((v >> (8 * i)) & 0xFF, file); };
  auto u16 = [&](uint16_t v) { std::fputc(v & 0xFF, file); std::fputc(v >> 8, file); };
  const uint32_t bytes = static_cast<uint32_t>(samples.size() * 2);
  std::fputs("RIFF", file); u32(36 + bytes); std::fputs("WAVEfmt ", file);
  u32(16); u16(1); u16(1); u32(kRate); u32(kRate * 2); u16(2); u16(16);
  std::fputs("data", file); u32(bytes);
  for (float s : samples) {
    const double clipped = std::max(-1.0, std::min(1.0, static_cast<double>(s)));
    u16(static_cast<uint16_t>(static_cast<int16_t>(std::lround(clipped * 32000))));
  }
  return std::fclose(file) == 0;
}

bool WriteOgg(const std::string& path, const std::vector<float>& samples) {
  tav::ogg::OggVorbisSettings settings;
  settings.rate = kRate;
  settings.channels = 1;
  settings.quality = 0.0f;
  settings.serial = 0x54415601;
  settings.title = "TAV demo";
  const std::vector<uint8_t> bytes = tav::ogg::EncodeOggVorbis(samples, settings);
  if (bytes.empty()) return false;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

// A short effect: a tone sliding from `from` to `to` Hz, with noise mixed in for knocks.
std::vector<float> Effect(double seconds, double from, double to, double noise, double decay) {
  std::vector<float> out(static_cast<size_t>(seconds * kRate));
  uint32_t state = 12345;
  double phase = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    phase += 2 * kPi * (from + (to - from) * t / seconds) / kRate;
    state = state * 1103515245u + 12345u;
    const double white = ((state >> 16) & 0x7FFF) / 16384.0 - 1.0;
    const double env = std::min(1.0, t * 400.0) * std::exp(-t * decay);
    out[i] = static_cast<float>(0.6 * env * ((1 - noise) * std::sin(phase) + noise * white));
  }
  return out;
}

std::vector<float> Chime() {
  std::vector<float> out(static_cast<size_t>(0.9 * kRate), 0.0f);
  const int notes[] = {72, 76, 79, 84};
  for (int i = 0; i < 4; ++i) AddTone(out, static_cast<size_t>(i * 0.09 * kRate), 0.6, Frequency(notes[i]), 0.3, 6);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sounds OUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  // The town: a light tune in C major. The dungeon: slow, in A minor.
  const std::vector<Note> townMelody = {{72, 1}, {76, 1}, {79, 1}, {76, 1}, {77, 1}, {81, 1}, {79, 2},
                                        {76, 1}, {74, 1}, {72, 1}, {74, 1}, {76, 1}, {74, 1}, {72, 2}};
  const std::vector<Note> townBass = {{48, 2}, {55, 2}, {53, 2}, {55, 2}, {52, 2}, {55, 2}, {43, 2}, {48, 2}};
  const std::vector<Note> caveMelody = {{69, 2}, {72, 1}, {71, 1}, {69, 2}, {64, 2},
                                        {65, 2}, {64, 1}, {62, 1}, {64, 4}};
  const std::vector<Note> caveBass = {{45, 4}, {41, 4}, {38, 4}, {40, 4}};
  struct Output {
    const char* name;
    bool ok;
  } outputs[] = {
      {"town.ogg", WriteOgg(dir + "/town.ogg", Tune(townMelody, townBass, 132, 3.0))},
      {"dungeon.ogg", WriteOgg(dir + "/dungeon.ogg", Tune(caveMelody, caveBass, 84, 1.5))},
      {"bump.wav", WriteWav(dir + "/bump.wav", Effect(0.15, 140, 60, 0.5, 25))},
      {"door.wav", WriteWav(dir + "/door.wav", Effect(0.35, 220, 90, 0.3, 9))},
      {"coin.wav", WriteWav(dir + "/coin.wav", [] {
         std::vector<float> out(static_cast<size_t>(0.35 * kRate), 0.0f);
         AddTone(out, 0, 0.1, Frequency(88), 0.4, 10);
         AddTone(out, static_cast<size_t>(0.08 * kRate), 0.27, Frequency(93), 0.4, 8);
         return out;
       }())},
      {"chime.wav", WriteWav(dir + "/chime.wav", Chime())},
  };
  int status = 0;
  for (const Output& output : outputs) {
    if (!output.ok) {
      std::fprintf(stderr, "make_sounds: cannot write %s/%s\n", dir.c_str(), output.name);
      status = 1;
    }
  }
  return status;
}
