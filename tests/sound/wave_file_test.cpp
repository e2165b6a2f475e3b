// WAV files: the chunk walk, every failure message, formats the mixer refuses, ADPCM.
#include <cstring>

#include "sound/adpcm.h"
#include "sound/mixing_server.h"
#include "sound/sound_messages.h"
#include "sound/wave_sound.h"
#include "sound_fixture.h"

namespace tav::sound::testing {
namespace {

using WaveFileTest = SoundTest;

const char* Load(EWaveSound& sound, const Bytes& file) {
  auto f = SoundTest::MemoryFile(file);
  return sound.LoadWave(*f);
}

Bytes PcmFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  Bytes f(16);
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  const uint32_t avg = rate * align;
  std::memcpy(&f[0], &tag, 2);
  std::memcpy(&f[2], &channels, 2);
  std::memcpy(&f[4], &rate, 4);
  std::memcpy(&f[8], &avg, 4);
  std::memcpy(&f[12], &align, 2);
  std::memcpy(&f[14], &bits, 2);
  return f;
}

TEST_F(WaveFileTest, BrokenFilesGiveTheirMessages) {
  EWaveSound sound;
  const Bytes pcm = SinePcm(44100, 2, 16, 100, 440);
  const Bytes good = WavFile(44100, 2, 16, pcm);
  EXPECT_STREQ(Load(sound, Bytes(good.begin(), good.begin() + 11)), messages::kCannotReadHeader);
  Bytes notWave = good;
  notWave[8] = 'X';
  EXPECT_STREQ(Load(sound, notWave), messages::kInvalidHeader);
  EXPECT_STREQ(Load(sound, Riff(Chunk("LIST", Bytes(4)))), messages::kInvalidHeader);  // no "fmt "
  EXPECT_STREQ(Load(sound, Riff(Chunk("fmt ", Bytes(10), 16))), messages::kCannotReadFormat);  // cut short
  EXPECT_STREQ(Load(sound, Riff(Chunk("fmt ", Bytes(12)))), messages::kCannotReadFormat);  // under 16 bytes
  EXPECT_STREQ(Load(sound, Riff(Chunk("fmt ", PcmFormat(1, 2, 44100, 16)))), messages::kInvalidDataHeader);
  Bytes shortData = Chunk("fmt ", PcmFormat(1, 2, 44100, 16));
  const Bytes d = Chunk("data", pcm, static_cast<int64_t>(pcm.size()) + 1);
  shortData.insert(shortData.end(), d.begin(), d.end());
  EXPECT_STREQ(Load(sound, Riff(shortData)), messages::kCannotReadData);
  // A data size of 4 GB is a short read, not an allocation.
  Bytes huge = Chunk("fmt ", PcmFormat(1, 2, 44100, 16));
  const Bytes h = Chunk("data", pcm, 0xFFFFFFF0);
  huge.insert(huge.end(), h.begin(), h.end());
  EXPECT_STREQ(Load(sound, Riff(huge)), messages::kCannotReadData);
  EXPECT_EQ(Load(sound, good), nullptr);
  EXPECT_EQ(sound.DataLength(), pcm.size());
}

// Chunks before "fmt " and between it and "data" are skipped by exactly their stated size, odd
// sizes included (no pad byte).
TEST_F(WaveFileTest, OtherChunksAreSkippedByTheirSize) {
  EWaveSound sound;
  const Bytes pcm = SinePcm(22050, 1, 8, 33, 440);
  Bytes chunks = Chunk("JUNK", Bytes(3, 'j'));
  for (const Bytes& c : {Chunk("fmt ", PcmFormat(1, 1, 22050, 8)), Chunk("LIST", Bytes(5, 'l')), Chunk("data", pcm),
                         Chunk("smpl", Bytes(7))}) {
    chunks.insert(chunks.end(), c.begin(), c.end());
  }
  ASSERT_EQ(Load(sound, Riff(chunks)), nullptr);
  EXPECT_EQ(sound.DataLength(), pcm.size());
  EXPECT_EQ(sound.Format()->rate, 22050u);
}

// Formats a sound may carry but the mixer cannot play are refused when playing starts, and the
// sound stays silent; extensible PCM plays as PCM.
TEST_F(WaveFileTest, UnplayableFormatsFailCleanly) {
  EWaveMixingServer mixer;
  ASSERT_EQ(mixer.Open(1000, 33, 44100, 2, 16), nullptr);
  const Bytes data(400, 0x40);
  struct Case {
    Bytes format;
    const char* message;
  };
  Bytes extensible = PcmFormat(0xFFFE, 2, 44100, 16);
  const uint8_t tail[] = {22, 0, 16, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  extensible.insert(extensible.end(), std::begin(tail), std::end(tail));
  Bytes extensibleFloat = extensible;
  extensibleFloat[18 + 8] = 3;  // IEEE float sub-format
  const std::vector<Case> cases = {
      {PcmFormat(0x55, 2, 44100, 16), messages::kCannotOpenAcm},  // an MP3 tag
      {extensibleFloat, messages::kCannotOpenAcm},
      {PcmFormat(1, 3, 44100, 16), messages::kInvalidStreamBuffer},
      {PcmFormat(1, 2, 44100, 24), messages::kInvalidStreamBuffer},
      {PcmFormat(1, 2, 0, 16), messages::kInvalidStreamBuffer},
      {extensible, nullptr},
  };
  for (const Case& c : cases) {
    EWaveSound sound;
    sound.SetDevice(&mixer);
    ASSERT_EQ(Load(sound, WavFileWithFormat(c.format, data)), nullptr);
    if (c.message == nullptr) {
      EXPECT_EQ(sound.Play(-1, false, nullptr), nullptr);
      EXPECT_TRUE(sound.IsPlaying());
      sound.Stop();
    } else {
      EXPECT_STREQ(sound.Play(-1, false, nullptr), c.message);
      EXPECT_FALSE(sound.IsPlaying());
    }
  }
  EXPECT_EQ(mixer.SoundCount(), 0u);
  EXPECT_EQ(mixer.AllocatedBuffers(), 0u);
}

// IMA ADPCM made by a plain encoder decodes back close to the original.
Bytes EncodeImaMono(const std::vector<int16_t>& samples, uint16_t blockAlign) {
  static const int steps[89] = {7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55, 60,
                                66, 73, 80, 88, 97, 107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279, 307, 337,
                                371, 408, 449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552,
                                1707, 1878, 2066, 2272, 2499, 2749, 3024, 3327, 3660, 4026, 4428, 4871, 5358, 5894,
                                6484, 7132, 7845, 8630, 9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350,
                                22385, 24623, 27086, 29794, 32767};
  static const int indexes[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
  const size_t perBlock = (blockAlign - 4) * 2 + 1;
  Bytes out;
  for (size_t at = 0; at < samples.size(); at += perBlock) {
    int predictor = samples[at], index = 0;
    out.push_back(static_cast<uint8_t>(predictor));
    out.push_back(static_cast<uint8_t>(predictor >> 8));
    out.push_back(0);
    out.push_back(0);
    for (size_t k = 1; k < perBlock; k += 2) {
      uint8_t byte = 0;
      for (int half = 0; half < 2; ++half) {
        const size_t i = at + k + static_cast<size_t>(half);
        const int target = i < samples.size() ? samples[i] : predictor;
        int diff = target - predictor, nibble = 0, step = steps[index];
        if (diff < 0) nibble = 8, diff = -diff;
        int delta = step >> 3;
        if (diff >= step) nibble |= 4, diff -= step, delta += step;
        if (diff >= step >> 1) nibble |= 2, diff -= step >> 1, delta += step >> 1;
        if (diff >= step >> 2) nibble |= 1, delta += step >> 2;
        predictor = std::clamp(nibble & 8 ? predictor - delta : predictor + delta, -32768, 32767);
        index = std::clamp(index + indexes[nibble & 7], 0, 88);
        byte |= static_cast<uint8_t>(nibble << (4 * half));
      }
      out.push_back(byte);
    }
  }
  return out;
}

TEST_F(WaveFileTest, AdpcmDecodesToPcm) {
  const std::vector<int16_t> sine = SineFrames(22050, 1, 2041, 300);
  WaveFormat ima = WaveFormat::Pcm(22050, 1, 4);
  ima.tag = kFormatImaAdpcm;
  ima.blockAlign = 256;
  ASSERT_TRUE(IsDecodableAdpcm(ima));
  EXPECT_EQ(AdpcmSamplesPerBlock(ima), 505u);
  const Bytes coded = EncodeImaMono(sine, 256);
  std::vector<int16_t> decoded;
  DecodeAdpcm(ima, coded.data(), coded.size(), decoded);
  ASSERT_GE(decoded.size(), sine.size());
  double error = 0;
  for (size_t i = 0; i < sine.size(); ++i) error += std::abs(decoded[i] - sine[i]);
  EXPECT_LT(error / static_cast<double>(sine.size()), 300.0);

  // Microsoft ADPCM, one mono block with the first coefficient pair (256, 0): each nibble adds
  // nibble x delta to the previous sample, and delta adapts (x 230 / 256, at least 16).
  WaveFormat ms = ima;
  ms.tag = kFormatMsAdpcm;
  ms.blockAlign = 9;
  const Bytes block = {0, 100, 0, 0xE8, 0x03, 0xD0, 0x07, 0x11};  // delta 100, s1 1000, s2 2000
  decoded.clear();
  DecodeAdpcm(ms, block.data(), block.size(), decoded);
  EXPECT_EQ(decoded, (std::vector<int16_t>{2000, 1000, 1100, 1189}));  // s2, s1, +100, +89
  // A short or damaged block never reads beyond its bytes.
  decoded.clear();
  DecodeAdpcm(ms, block.data(), 3, decoded);
  EXPECT_TRUE(decoded.empty());
}

}  // namespace
}  // namespace tav::sound::testing
