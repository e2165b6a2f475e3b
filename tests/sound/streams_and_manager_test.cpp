// The sound manager with its three factories, and the Ogg Vorbis and MIO stream sources, on
// files in a temporary folder.
#include <filesystem>

#include "medialib/mio_encoder.h"
#include "sound/mio_stream.h"
#include "sound/mixing_server.h"
#include "sound/sound_manager.h"
#include "sound/sound_messages.h"
#include "sound/vorbis_stream.h"
#include "sound_fixture.h"

namespace tav::sound::testing {
namespace {

class ManagerTest : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    dir_ = ::testing::TempDir() + "tav_sound_files/";
    std::filesystem::create_directories(dir_);
  }
  std::string Put(const std::string& name, const Bytes& bytes) {
    WriteFile(dir_ + name, bytes);
    return dir_ + name;
  }
  std::string dir_;
};

// Where a sine (whose first frame is 0) starts in a recording, searching from `from`. The
// virtual clock places a start within a millisecond of look-ahead, as a real device would.
size_t SineStart(const std::vector<int16_t>& rec, size_t from) {
  for (size_t f = from; f < rec.size() / 2; ++f) {
    if (rec[2 * f] != 0) return f - 1;
  }
  return rec.size() / 2;
}

Bytes Tone(size_t frames) { return WavFile(44100, 2, 16, SinePcm(44100, 2, 16, frames, 440)); }

TEST_F(ManagerTest, ChannelsGrowAndAnswerFromTheTemplate) {
  std::unique_ptr<SoundManager> manager = CreateSoundManager();
  const std::string tone = Put("tone.wav", Tone(4410));
  EXPECT_EQ(manager->Play(20, tone, false, 1), 0);
  EXPECT_EQ(manager->ChannelCount(), 21u);
  for (int channel = 1; channel < 20; ++channel) {
    EXPECT_FALSE(manager->IsPlaying(channel));
    EXPECT_EQ(manager->Stop(channel), -1);
  }
  EXPECT_TRUE(manager->IsPlaying(20));
  EXPECT_EQ(manager->Stop(99), -1);
  EXPECT_FALSE(manager->IsPlaying(-5));
  EXPECT_EQ(manager->Stop(20), 0);
  EXPECT_FALSE(manager->IsPlaying(20));
  EXPECT_EQ(manager->ChannelCount(), 21u);  // stopping keeps the sound in its channel
}

// Unknown or missing extensions and missing files leave the channel silent, and the sound it
// held has stopped; extensions are compared without case; the same file plays on two channels.
TEST_F(ManagerTest, ExtensionsChooseTheFactory) {
  std::unique_ptr<SoundManager> manager = CreateSoundManager();
  const std::string tone = Put("tone.wav", Tone(44100));
  const Bytes ogg = OggFile(44100, 2, SineFrames(44100, 2, 22050, 330));
  const std::string upper = Put("MUSIC.OGG", ogg);
  Put("music.xyz", ogg);
  Put("nodot", Tone(100));
  ASSERT_EQ(manager->Play(1, tone, true, 1), 0);
  ASSERT_EQ(manager->Play(2, tone, true, 1), 0);
  EXPECT_TRUE(manager->IsPlaying(1));
  EXPECT_TRUE(manager->IsPlaying(2));
  EXPECT_EQ(manager->Play(1, dir_ + "music.xyz", true, 1), -1);
  EXPECT_FALSE(manager->IsPlaying(1));
  EXPECT_TRUE(manager->IsPlaying(2));
  EXPECT_EQ(manager->Play(2, dir_ + "nodot", true, 1), -1);
  EXPECT_EQ(manager->Play(3, dir_ + "missing.wav", false, 1), -1);
  EXPECT_EQ(manager->Mixer()->SoundCount(), 0u);
  EXPECT_EQ(manager->Play(3, upper, false, 1), 0);
  EXPECT_TRUE(manager->IsPlaying(3));
  // A Shift-JIS trail byte 0x5C is not a separator, a folder's dot is not an extension.
  EXPECT_EQ(PathExtension("config\\\x95\x5C.wav"), "wav");
  EXPECT_EQ(PathExtension("config\\a.b\\name"), "");
  EXPECT_TRUE(SameExtension("Ogg", "ogg"));
  EXPECT_FALSE(SameExtension("oggx", "ogg"));
}

// Through the manager: a looping sound stays playing, a short one ends; restarting the same
// file on its channel starts it from the beginning (heard again 33 ms later).
TEST_F(ManagerTest, LoopsStayAudibleAndOneShotsEnd) {
  std::unique_ptr<SoundManager> manager = CreateSoundManager();
  const std::string shortTone = Put("short.wav", Tone(2205));
  ASSERT_EQ(manager->Play(1, shortTone, true, 1), 0);
  ASSERT_EQ(manager->Play(2, shortTone, false, 1), 0);
  Advance(3000);
  EXPECT_TRUE(manager->IsPlaying(1));
  EXPECT_FALSE(manager->IsPlaying(2));
  manager->Stop(1);
  Advance(100);
  ASSERT_EQ(manager->Play(2, shortTone, false, 1), 0);
  Advance(100);
  ASSERT_EQ(manager->Play(2, shortTone, false, 1), 0);  // from the start again
  Advance(500);
  manager.reset();
  const std::vector<int16_t> rec = Recorded();
  const std::vector<int16_t> one = SineFrames(44100, 2, 2205, 440);
  for (size_t ms : {3100, 3200}) {
    const size_t start = SineStart(rec, ms * 441 / 10);
    EXPECT_NEAR(static_cast<double>(start), (ms + 33) * 44.1, 50.0);
    ASSERT_EQ(std::vector<int16_t>(rec.begin() + static_cast<std::ptrdiff_t>(2 * start),
                                   rec.begin() + static_cast<std::ptrdiff_t>(2 * (start + 2205))),
              one)
        << start;
  }
}

// A looping Ogg Vorbis stream whose length is no multiple of the 4096-byte blocks goes on
// seamlessly: the recording is the decoded stream over and over, bit for bit.
TEST_F(ManagerTest, OggLoopsSeamlessly) {
  const Bytes ogg = OggFile(44100, 2, SineFrames(44100, 2, 10000, 523));
  const std::vector<int16_t> decoded = DecodeOgg(ogg);
  ASSERT_EQ(decoded.size(), 20000u);
  std::unique_ptr<SoundManager> manager = CreateSoundManager();
  ASSERT_EQ(manager->Play(0, Put("loop.ogg", ogg), true, 1), 0);
  Advance(2000);
  EXPECT_TRUE(manager->IsPlaying(0));
  const std::vector<int16_t> rec = Recorded();
  for (size_t f = kStartFrame; f + 10000 <= 88200; f += 10000) {
    ASSERT_EQ(std::vector<int16_t>(rec.begin() + static_cast<std::ptrdiff_t>(2 * f),
                                   rec.begin() + static_cast<std::ptrdiff_t>(2 * (f + 10000))),
              decoded)
        << f;
  }
}

TEST_F(ManagerTest, StreamsFailCleanly) {
  EWaveMixingServer mixer;
  ASSERT_EQ(mixer.Open(1000, 33, 44100, 2, 16), nullptr);
  VorbisSoundStream vorbis;
  vorbis.SetDevice(&mixer);
  const Bytes junk = Tone(10);
  auto file = MemoryFile(junk);
  EXPECT_STREQ(vorbis.Open(*file, 1), messages::kCannotOpenVorbis);
  // An Ogg Vorbis stream without samples opens but has nothing to play.
  const Bytes empty = OggFile(44100, 2, {});
  auto emptyFile = MemoryFile(empty);
  ASSERT_EQ(vorbis.Open(*emptyFile, 1), nullptr);
  EXPECT_STREQ(vorbis.Play(0, false, nullptr), messages::kNoData);
  MIOSoundStream mio;
  mio.SetDevice(&mixer);
  auto again = MemoryFile(junk);
  EXPECT_STREQ(mio.Open(*again, 1), messages::kCannotOpenMio);
  EXPECT_EQ(mixer.AllocatedBuffers(), 0u);
}

// Mode 2 decodes the whole stream at Open; it plays the same samples.
TEST_F(ManagerTest, WholeDecodeMatchesStreaming) {
  const Bytes ogg = OggFile(22050, 1, SineFrames(22050, 1, 5000, 200));
  const std::vector<int16_t> decoded = DecodeOgg(ogg);
  EWaveMixingServer mixer;
  ASSERT_EQ(mixer.Open(1000, 33, 44100, 2, 16), nullptr);
  VorbisSoundStream whole;
  whole.SetDevice(&mixer);
  auto file = MemoryFile(ogg);
  ASSERT_EQ(whole.Open(*file, 2), nullptr);
  ASSERT_EQ(whole.DataLength(), decoded.size() * 2);
  EXPECT_EQ(whole.Play(0, false, nullptr), nullptr);
  Advance(500);
  EXPECT_FALSE(whole.IsPlaying());
}

// An MIO file's "rewind-point": a loop through the manager (start point 0) starts again at
// sample 0, a loop started with start point -1 at the rewind point.
TEST_F(ManagerTest, MioLoopsFromItsRewindPointOnlyWhenAsked) {
  const Bytes pcm = SinePcm(44100, 2, 16, 6000, 700);
  medialib::MIOEncodeOptions options;
  options.packetSamples = 1024;
  options.keyEvery = 2;
  options.rewindPoint = 4000;
  const std::vector<uint8_t> mio = medialib::EncodeMIOFile(pcm.data(), pcm.size(), 2, 44100, 16, options);
  ASSERT_FALSE(mio.empty());
  const Bytes mioBytes(mio.begin(), mio.end());
  EWaveMixingServer mixer;
  ASSERT_EQ(mixer.Open(1000, 33, 44100, 2, 16), nullptr);
  MIOSoundStream fromRewind;
  fromRewind.SetDevice(&mixer);
  auto file = MemoryFile(mioBytes);
  ASSERT_EQ(fromRewind.Open(*file, 1), nullptr);
  EXPECT_EQ(fromRewind.LoopPoint(), 4000);
  ASSERT_EQ(fromRewind.Play(-1, true, nullptr), nullptr);
  Advance(500);
  fromRewind.Stop();
  Advance(1000);
  std::unique_ptr<SoundManager> manager = CreateSoundManager();
  ASSERT_EQ(manager->Play(0, Put("loop.mio", mioBytes), true, 1), 0);
  Advance(500);
  manager.reset();

  const std::vector<int16_t> rec = Recorded();
  std::vector<int16_t> src(pcm.size() / 2);
  std::memcpy(src.data(), pcm.data(), pcm.size());
  auto at = [&](size_t frame) { return std::vector<int16_t>(rec.begin() + 2 * frame, rec.begin() + 2 * frame + 4000); };
  const size_t f = kStartFrame;
  EXPECT_EQ(at(f), std::vector<int16_t>(src.begin(), src.begin() + 4000));
  // After 6000 frames the stream goes on from frame 4000.
  EXPECT_EQ(at(f + 6000), std::vector<int16_t>(src.begin() + 8000, src.begin() + 12000));
  const size_t g = SineStart(rec, 1500 * 441 / 10);  // started at 1500 ms
  EXPECT_EQ(at(g + 6000), std::vector<int16_t>(src.begin(), src.begin() + 4000));
}

}  // namespace
}  // namespace tav::sound::testing
