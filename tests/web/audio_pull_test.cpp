// The web build's real-time sound: the browser's callback pulls the mixer's output through
// RenderAudio, and no thread runs the sound device. Pulled at the pace of the clock, a looping
// sound comes out bit-exact from the moment it is heard, with no gap, and what is pulled is
// what --audio-out records.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "medialib/library_init.h"
#include "os/loop_work.h"
#include "platform/audio_output.h"
#include "platform/audio_pull.h"
#include "sound/mixing_server.h"
#include "sound/wave_sound.h"
#include "test_audio.h"

namespace tav::sound::testing {
namespace {

constexpr size_t kFramesPerPull = 1024;  // what a browser's callback asks for at a time

TEST(AudioPull, TheMixersOutputComesOutWholeWhenPulledInRealTime) {
  medialib::rudInitializeLibrary();
  const std::string recordPath = ::testing::TempDir() + "tav_audio_pull.wav";
  ASSERT_TRUE(platform::ConfigureAudio(false, recordPath));
  std::vector<int16_t> pulled;
  const Bytes pcm = SinePcm(44100, 2, 16, 1001, 440);
  {
    EWaveMixingServer mixer;
    uint8_t block[kFramesPerPull * 4];
    EXPECT_FALSE(platform::PulledAudioFormat().has_value());
    EXPECT_FALSE(platform::RenderAudio(block, kFramesPerPull));
    ASSERT_EQ(mixer.Open(1000, 33, 44100, 2, 16), nullptr);
    ASSERT_TRUE(platform::PulledAudioFormat().has_value());
    EXPECT_EQ(platform::PulledAudioFormat()->rate, 44100u);

    auto sound = std::make_unique<EWaveSound>();
    sound->SetDevice(&mixer);
    const WaveFormat format = WaveFormat::Pcm(44100, 2, 16);
    sound->SetFormat(&format);
    sound->SetData(pcm.data(), pcm.size());

    // 2.5 s (two changes of the mixer's buffers), pulled as the clock goes; the sound starts once
    // the output runs (the first pulls may take what the mixer's first tick has not filled yet).
    const auto start = std::chrono::steady_clock::now();
    for (size_t done = 0; done < 110250; done += kFramesPerPull) {
      if (done == 8 * kFramesPerPull) ASSERT_EQ(sound->Play(-1, true, nullptr), nullptr);
      const auto due = start + std::chrono::microseconds(uint64_t{done} * 1000000 / 44100);
      while (std::chrono::steady_clock::now() < due) platform::RunLoopWork();
      ASSERT_TRUE(platform::RenderAudio(block, kFramesPerPull));
      const auto* samples = reinterpret_cast<const int16_t*>(block);
      pulled.insert(pulled.end(), samples, samples + kFramesPerPull * 2);
    }
    sound->Stop();
    EXPECT_EQ(mixer.Close(), nullptr);
  }
  platform::FinishAudioRecording();

  // From the first frame heard on, the sound's 1001 frames again and again.
  std::vector<int16_t> one(pcm.size() / 2);
  std::memcpy(one.data(), pcm.data(), pcm.size());
  size_t first = 0;
  while (first < pulled.size() / 3 &&
         !std::equal(one.begin(), one.end(), pulled.begin() + static_cast<std::ptrdiff_t>(first))) {
    first += 2;
  }
  ASSERT_LT(first, pulled.size() / 3) << "the sound was not heard within 0.6 s of its start";
  size_t heard = 0;
  while (heard < first && pulled[heard] == 0) ++heard;
  EXPECT_GE(heard + 2, first) << "heard at sample " << heard << ", the sound's start at " << first;
  for (size_t i = first; i + one.size() <= pulled.size(); i += one.size()) {
    ASSERT_TRUE(std::equal(one.begin(), one.end(), pulled.begin() + static_cast<std::ptrdiff_t>(i)))
        << "loop starting at frame " << i / 2;
  }

  const Bytes recorded = ReadFile(recordPath);
  ASSERT_EQ(recorded.size(), 44 + pulled.size() * 2);
  EXPECT_EQ(std::memcmp(recorded.data() + 44, pulled.data(), pulled.size() * 2), 0);
  medialib::rudCloseLibrary();
}

}  // namespace
}  // namespace tav::sound::testing
