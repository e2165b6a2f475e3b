// The mixer on the virtual clock, checked through what the output recorded.
#include <cstring>

#include "sound/mixing_server.h"
#include "sound/sound_messages.h"
#include "sound/wave_sound.h"
#include "sound_fixture.h"

namespace tav::sound::testing {
namespace {

struct PlayingSound {
  std::unique_ptr<EWaveSound> sound = std::make_unique<EWaveSound>();
  PlayingSound(EWaveMixingServer& mixer, const WaveFormat& format, const Bytes& data) {
    sound->SetDevice(&mixer);
    sound->SetFormat(&format);
    sound->SetData(data.data(), data.size());
  }
};

std::vector<int16_t> AsSamples(const Bytes& pcm) {
  std::vector<int16_t> s(pcm.size() / 2);
  std::memcpy(s.data(), pcm.data(), s.size() * 2);
  return s;
}

// Stereo frames [from, to) of a recording.
std::vector<int16_t> Frames(const std::vector<int16_t>& rec, size_t from, size_t to) {
  return {rec.begin() + static_cast<std::ptrdiff_t>(2 * from), rec.begin() + static_cast<std::ptrdiff_t>(2 * to)};
}

bool Silent(const std::vector<int16_t>& rec, size_t from, size_t to) {
  for (size_t i = 2 * from; i < 2 * to && i < rec.size(); ++i) {
    if (rec[i] != 0) return false;
  }
  return true;
}

using MixerTest = SoundTest;

TEST_F(MixerTest, OpenChecksTheFormatAndRoundsBuffersTo4096Samples) {
  EWaveMixingServer mixer;
  EXPECT_STREQ(mixer.Open(1000, 33, 44100, 3, 16), messages::kInvalidChannels);
  EXPECT_STREQ(mixer.Open(1000, 33, 44100, 2, 24), messages::kInvalidBits);
  EXPECT_EQ(mixer.Open(500, 33, 22050, 2, 16), nullptr);
  EXPECT_EQ(mixer.BufferSamples(), 12288u);
  EXPECT_EQ(mixer.Open(1000, 33, 44100, 2, 16), nullptr);
  EXPECT_EQ(mixer.BufferSamples(), 45056u);
  // A handle the mixer does not hold changes nothing.
  WaveBuffer stranger;
  EXPECT_STREQ(mixer.FreeBuffer(&stranger), messages::kInvalidMixerHandle);
  EXPECT_STREQ(mixer.Write(nullptr, nullptr, 33), messages::kNoMixerHandle);
  EXPECT_EQ(mixer.Close(), nullptr);
  EXPECT_STREQ(mixer.FreeBuffer(&stranger), messages::kDeviceNotOpen);
  EXPECT_EQ(mixer.AllocBuffer(nullptr, nullptr, 0), nullptr);
}

// A same-rate sound comes out bit-exact, 33 ms after it was started, across the device buffers
// and across every loop seam (the sound's length has nothing in common with the blocks).
TEST_F(MixerTest, SameRatePcmIsBitExactAcrossBuffersAndLoopSeams) {
  EWaveMixingServer mixer;
  ASSERT_EQ(mixer.Open(1000, 33, 44100, 2, 16), nullptr);
  const Bytes pcm = SinePcm(44100, 2, 16, 1001, 440);
  PlayingSound s(mixer, WaveFormat::Pcm(44100, 2, 16), pcm);
  ASSERT_EQ(s.sound->Play(-1, true, nullptr), nullptr);
  for (int i = 0; i < 100; ++i) Advance(25);  // 2.5 s: two buffer changes
  ASSERT_TRUE(s.sound->IsPlaying());
  const std::vector<int16_t> rec = Recorded();
  ASSERT_EQ(rec.size(), 2u * 110250);
  EXPECT_TRUE(Silent(rec, 0, kStartFrame));
  const std::vector<int16_t> one = AsSamples(pcm);
  for (size_t f = kStartFrame; f + 1001 <= 110250; f += 1001) {
    ASSERT_EQ(Frames(rec, f, f + 1001), one) << "loop starting at frame " << f;
  }
}

TEST_F(MixerTest, NonLoopingSoundEndsSignalsAndLeavesTheMixer) {
  EWaveMixingServer mixer;
  ASSERT_EQ(mixer.Open(1000, 33, 44100, 2, 16), nullptr);
  PlayingSound s(mixer, WaveFormat::Pcm(44100, 2, 16), SinePcm(44100, 2, 16, 4410, 440));
  ManualEvent ended(false);
  ASSERT_EQ(s.sound->Play(-1, false, &ended), nullptr);
  Advance(100);
  EXPECT_TRUE(s.sound->IsPlaying());  // 33 ms + 100 ms of sound
  EXPECT_FALSE(ended.IsSet());
  Advance(100);  // heard by now, reported on the next pass
  EXPECT_FALSE(s.sound->IsPlaying());
  EXPECT_TRUE(ended.IsSet());
  EXPECT_EQ(mixer.SoundCount(), 0u);
  EXPECT_EQ(mixer.AllocatedBuffers(), 0u);
}

// 22050 Hz mono 8-bit on the 44100 Hz stereo mixer: each source frame gives two output frames
// (the second halfway to the next), both sides equal: the right pitch and no lost frames.
TEST_F(MixerTest, Mono8BitAt22050IsUpsampledTwiceAndDuplicated) {
  EWaveMixingServer mixer;
  ASSERT_EQ(mixer.Open(1000, 33, 44100, 2, 16), nullptr);
  const Bytes pcm = SinePcm(22050, 1, 8, 2205, 441);
  PlayingSound s(mixer, WaveFormat::Pcm(22050, 1, 8), pcm);
  ASSERT_EQ(s.sound->Play(-1, false, nullptr), nullptr);
  Advance(300);
  const std::vector<int16_t> rec = Recorded();
  for (size_t i = 0; i + 1 < pcm.size(); ++i) {
    const int a = (pcm[i] - 128) << 8, b = (pcm[i + 1] - 128) << 8;
    const size_t f = kStartFrame + 2 * i;
    ASSERT_EQ(rec[2 * f], a) << i;
    ASSERT_EQ(rec[2 * f + 1], a);
    ASSERT_EQ(rec[2 * f + 2], a + (b - a) / 2) << i;
    ASSERT_EQ(rec[2 * f + 3], rec[2 * f + 2]);
  }
  // 441 Hz: a period of 100 output frames (zero crossings rising every 100 frames).
  EXPECT_TRUE(Silent(rec, kStartFrame + 4410, kStartFrame + 6000));
}

// 48000 Hz is stepped through in 16.16: 100 ms give 4410 output frames that follow the line
// between neighbouring source frames.
TEST_F(MixerTest, A48000HzSourceIsInterpolated) {
  EWaveMixingServer mixer;
  ASSERT_EQ(mixer.Open(1000, 33, 44100, 2, 16), nullptr);
  const Bytes pcm = SinePcm(48000, 2, 16, 4800, 1000);
  PlayingSound s(mixer, WaveFormat::Pcm(48000, 2, 16), pcm);
  ASSERT_EQ(s.sound->Play(-1, false, nullptr), nullptr);
  Advance(300);
  const std::vector<int16_t> rec = Recorded();
  const std::vector<int16_t> src = AsSamples(pcm);
  size_t last = 0;
  for (size_t f = kStartFrame; f < rec.size() / 2; ++f) {
    if (rec[2 * f] != 0 || rec[2 * f + 1] != 0) last = f;
  }
  EXPECT_NEAR(static_cast<double>(last + 1 - kStartFrame), 4410.0, 2.0);
  for (size_t j = 0; j < 4400; j += 37) {
    // Positions step by 48000/44100 in 16.16 fixed point.
    const double x = static_cast<double>(j * ((48000u << 16) / 44100)) / 65536.0;
    const size_t i = static_cast<size_t>(x);
    const double expected = src[2 * i] + (x - static_cast<double>(i)) * (src[2 * i + 2] - src[2 * i]);
    ASSERT_NEAR(rec[2 * (kStartFrame + j)], expected, 2.0) << j;
  }
}

TEST_F(MixerTest, LoudSoundsTogetherSaturateInsteadOfWrapping) {
  EWaveMixingServer mixer;
  ASSERT_EQ(mixer.Open(1000, 33, 44100, 2, 16), nullptr);
  Bytes loud(4 * 4410);
  for (size_t i = 0; i < loud.size(); i += 2) {
    const int16_t v = (i / 4) % 2 ? -30000 : 30000;
    std::memcpy(&loud[i], &v, 2);
  }
  PlayingSound a(mixer, WaveFormat::Pcm(44100, 2, 16), loud), b(mixer, WaveFormat::Pcm(44100, 2, 16), loud);
  ASSERT_EQ(a.sound->Play(-1, false, nullptr), nullptr);
  ASSERT_EQ(b.sound->Play(-1, false, nullptr), nullptr);
  Advance(200);
  const std::vector<int16_t> rec = Recorded();
  EXPECT_EQ(rec[2 * kStartFrame], 32767);
  EXPECT_EQ(rec[2 * kStartFrame + 2], -32768);
  EXPECT_EQ(rec[2 * (kStartFrame + 4000) + 1], 32767);
}

// A constant level, so that the recording shows the gain directly.
Bytes Constant(size_t frames, int16_t level) {
  Bytes pcm(frames * 4);
  for (size_t i = 0; i < pcm.size(); i += 2) std::memcpy(&pcm[i], &level, 2);
  return pcm;
}

TEST_F(MixerTest, VolumeAndStopCorrectPreparedAudioFrom33MsOn) {
  EWaveMixingServer mixer;
  ASSERT_EQ(mixer.Open(1000, 33, 44100, 2, 16), nullptr);
  PlayingSound s(mixer, WaveFormat::Pcm(44100, 2, 16), Constant(1000, 20000));
  ASSERT_EQ(s.sound->Play(-1, true, nullptr), nullptr);
  Advance(500);
  s.sound->SetVolume(0.5f, 0.25f);  // from frame (500 + 33) ms, rounded up to 8
  Advance(500);
  ASSERT_EQ(s.sound->Stop(), nullptr);  // the mix was prepared a buffer ahead: it is corrected
  EXPECT_FALSE(s.sound->IsPlaying());
  EXPECT_EQ(mixer.SoundCount(), 0u);
  Advance(1500);
  const std::vector<int16_t> rec = Recorded();
  const size_t change = 23512, stop = 45560;  // (500 + 33) and (1000 + 33) ms, rounded up to 8
  EXPECT_EQ(rec[2 * (change - 1)], 20000);
  EXPECT_EQ(rec[2 * change], 10000);
  EXPECT_EQ(rec[2 * change + 1], 5000);
  EXPECT_EQ(rec[2 * (stop - 1)], 10000);
  EXPECT_TRUE(Silent(rec, stop, rec.size() / 2));
}

// A paused sound goes on where it stopped: nothing is lost or repeated.
TEST_F(MixerTest, PauseAndResumeContinueWithoutLoss) {
  EWaveMixingServer mixer;
  ASSERT_EQ(mixer.Open(1000, 33, 44100, 2, 16), nullptr);
  const Bytes pcm = SinePcm(44100, 2, 16, 44100, 300);
  PlayingSound s(mixer, WaveFormat::Pcm(44100, 2, 16), pcm);
  ASSERT_EQ(s.sound->Play(-1, false, nullptr), nullptr);
  Advance(300);
  s.sound->Pause();
  Advance(400);
  s.sound->Resume();
  Advance(1500);
  EXPECT_FALSE(s.sound->IsPlaying());
  const std::vector<int16_t> rec = Recorded();
  const std::vector<int16_t> src = AsSamples(pcm);
  // Paused at 300 ms: gone from (300 + 33) ms on; resumed at 700 ms: back from (700 + 33) ms.
  const size_t pausedAt = 14688, resumedAt = 32328, before = pausedAt - kStartFrame;
  EXPECT_EQ(Frames(rec, kStartFrame, pausedAt), std::vector<int16_t>(src.begin(), src.begin() + 2 * before));
  EXPECT_TRUE(Silent(rec, pausedAt, resumedAt));
  EXPECT_EQ(Frames(rec, resumedAt, resumedAt + 44100 - before),
            std::vector<int16_t>(src.begin() + 2 * before, src.end()));
}

}  // namespace
}  // namespace tav::sound::testing
