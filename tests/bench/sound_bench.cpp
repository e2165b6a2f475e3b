// Sound: the mixer with 16 sounds at once (CPU time per second of audio; the goal is under 1 %
// of one core), and decoding Ogg Vorbis and MIO through the stream sources, reported as a
// multiple of real time ("realtime" = seconds of sound decoded per second).

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "../sound/test_audio.h"
#include "medialib/library_init.h"
#include "medialib/memory_file.h"
#include "medialib/mio_encoder.h"
#include "platform/audio_output.h"
#include "sound/mio_stream.h"
#include "sound/mixing_server.h"
#include "sound/vorbis_stream.h"
#include "sound/wave_sound.h"

namespace tav::sound {
namespace {

using testing::Bytes;

struct Library {
  Library() {
    medialib::rudInitializeLibrary();
    platform::ConfigureAudio(true, "");
  }
};

// 16 looping sounds of the layouts games ship (44100 stereo, 22050 mono 8-bit, 48000 stereo,
// 11025 mono), at mixed volumes; each iteration is one second of virtual time.
void BM_MixSixteenSounds(benchmark::State& state) {
  static Library library;
  EWaveMixingServer mixer;
  mixer.Open(1000, 33, 44100, 2, 16);
  std::vector<std::unique_ptr<EWaveSound>> sounds;
  const struct {
    uint32_t rate;
    uint16_t channels, bits;
  } layouts[4] = {{44100, 2, 16}, {22050, 1, 8}, {48000, 2, 16}, {11025, 1, 16}};
  for (int i = 0; i < 16; ++i) {
    const auto& l = layouts[i % 4];
    const Bytes pcm = testing::SinePcm(l.rate, l.channels, l.bits, l.rate * 3 / 2 + static_cast<uint32_t>(i), 200 + 50 * i, 0.1);
    auto sound = std::make_unique<EWaveSound>();
    const WaveFormat format = WaveFormat::Pcm(l.rate, l.channels, l.bits);
    sound->SetFormat(&format);
    sound->SetData(pcm.data(), pcm.size());
    sound->SetDevice(&mixer);
    sound->SetVolume(0.5f + 0.03f * static_cast<float>(i), 0.9f - 0.02f * static_cast<float>(i));
    sound->Play(-1, true, nullptr);
    sounds.push_back(std::move(sound));
  }
  uint32_t now = platform::VirtualClockNow();
  for (auto _ : state) {
    for (int step = 0; step < 30; ++step) {  // the virtual clock moves in 33 ms steps, as Wait does
      now += 33;
      platform::MoveVirtualClock(now);
    }
    now += 10;
    platform::MoveVirtualClock(now);
  }
  state.counters["sounds"] = static_cast<double>(mixer.SoundCount());
  // One iteration is one second of audio: its time as a share of a core.
  state.counters["core_share"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  sounds.clear();
}
BENCHMARK(BM_MixSixteenSounds)->Unit(benchmark::kMillisecond)->UseRealTime();

template <class Stream>
void DecodeWhole(benchmark::State& state, const Bytes& file, double seconds) {
  static Library library;
  for (auto _ : state) {
    medialib::EMemoryFile memory;
    memory.Open(file.data(), file.size());
    Stream stream;
    // Mode 2 decodes the whole stream with the same reads the streaming blocks use.
    if (stream.Open(memory, 2) != nullptr) state.SkipWithError("cannot decode");
    benchmark::DoNotOptimize(stream.DataLength());
  }
  state.counters["realtime"] = benchmark::Counter(seconds * static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}

void BM_OggVorbisDecode(benchmark::State& state) {
  static const Bytes ogg = testing::OggFile(44100, 2, testing::SineFrames(44100, 2, 44100 * 10, 440));
  DecodeWhole<VorbisSoundStream>(state, ogg, 10.0);
}
BENCHMARK(BM_OggVorbisDecode)->Unit(benchmark::kMillisecond);

void BM_MioDecode(benchmark::State& state) {
  static const Bytes mio = [] {
    const Bytes pcm = testing::SinePcm(44100, 2, 16, 44100 * 10, 440);
    const std::vector<uint8_t> file = medialib::EncodeMIOFile(pcm.data(), pcm.size(), 2, 44100, 16, {});
    return Bytes(file.begin(), file.end());
  }();
  DecodeWhole<MIOSoundStream>(state, mio, 10.0);
}
BENCHMARK(BM_MioDecode)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tav::sound
