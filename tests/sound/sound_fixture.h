#pragma once

// Sound tests run on the virtual clock with the recording on, as a headless game does: time
// moves only when a test moves it, and the recording is what the output played.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "medialib/library_init.h"
#include "medialib/memory_file.h"
#include "platform/audio_output.h"
#include "test_audio.h"

namespace tav::sound::testing {

class SoundTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { medialib::rudInitializeLibrary(); }
  static void TearDownTestSuite() { medialib::rudCloseLibrary(); }

  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    recordPath_ = ::testing::TempDir() + "tav_sound_" + info->test_suite_name() + "_" + info->name() + ".wav";
    ASSERT_TRUE(platform::ConfigureAudio(true, recordPath_));
    platform::ResetVirtualClockForTests(0);
    now_ = 0;
  }
  void TearDown() override { platform::FinishAudioRecording(); }

  // Lets `ms` of virtual time pass; the mixer has caught up when this returns.
  void Advance(uint32_t ms) {
    now_ += ms;
    platform::MoveVirtualClock(now_);
  }
  uint32_t Now() const { return now_; }

  // The recording so far as 16-bit samples (interleaved stereo).
  std::vector<int16_t> Recorded() {
    platform::FinishAudioRecording();
    const Bytes file = ReadFile(recordPath_);
    std::vector<int16_t> samples(file.size() > 44 ? (file.size() - 44) / 2 : 0);
    if (!samples.empty()) std::memcpy(samples.data(), file.data() + 44, samples.size() * 2);
    return samples;
  }
  Bytes RecordedFile() {
    platform::FinishAudioRecording();
    return ReadFile(recordPath_);
  }

 public:
  // A memory file over bytes the test keeps.
  static std::unique_ptr<medialib::EMemoryFile> MemoryFile(const Bytes& bytes) {
    auto file = std::make_unique<medialib::EMemoryFile>();
    file->Open(bytes.data(), bytes.size());
    return file;
  }

 protected:
  std::string recordPath_;
  uint32_t now_ = 0;
};

// The output frame at which a sound started at time 0 with the adapters' look-ahead is heard:
// 33 ms at 44100 Hz, rounded up to 8.
inline constexpr size_t kStartFrame = 1456;

}  // namespace tav::sound::testing
