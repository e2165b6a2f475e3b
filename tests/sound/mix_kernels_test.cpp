#include "sound/mix_kernels.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tav::sound {
namespace {

TEST(MixKernels, GainsKeepFourSignificantBits) {
  EXPECT_EQ(QuantiseGain(0.0f), 0);
  EXPECT_EQ(QuantiseGain(1.0f), 0x10000);
  EXPECT_EQ(QuantiseGain(3.0f), 0x10000);
  EXPECT_EQ(QuantiseGain(0.5f), 0x8000);
  EXPECT_EQ(QuantiseGain(0.3f), 0x5000);   // 0.3125
  EXPECT_EQ(QuantiseGain(0.99f), 0x10000); // rounds up to 1
  EXPECT_EQ(QuantiseGain(-0.5f), -0x8000);
  EXPECT_TRUE(IsQuantisedGain(0x8000 - 0x4000));
  EXPECT_FALSE(IsQuantisedGain(0x5000 - 0x1200));
}

// The SSE2 loop is the scalar rule exactly, for every gain a sound can have and for
// corrections (negative gains), with saturation at both ends.
TEST(MixKernels, Sse2MatchesScalarExactly) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> sample(-32768, 32767);
  std::vector<int16_t> src(2 * 1003), base(2 * 1003);
  for (auto& s : src) s = static_cast<int16_t>(sample(random));
  for (auto& s : base) s = static_cast<int16_t>(sample(random));
  src[0] = -32768;
  base[0] = -32768;
  for (int32_t left : {0x10000, 0x8000, 0x5000, 0x0001, 0x0, 0xF000, -0x8000}) {
    for (int32_t right : {0x10000, 0x7000, 0x0, -0x10000}) {
      std::vector<int16_t> a = base, b = base;
      MixAddStereo16Scalar(a.data(), src.data(), left, right, 1003);
      MixAddStereo16Sse2(b.data(), src.data(), left, right, 1003);
      ASSERT_EQ(a, b) << left << " " << right;
    }
  }
  // Full gain into silence is the source itself.
  std::vector<int16_t> out(src.size(), 0);
  MixAddStereo16Sse2(out.data(), src.data(), 0x10000, 0x10000, 1003);
  EXPECT_EQ(out, src);
}

TEST(MixKernels, EightBitAndMonoOutputs) {
  const platform::AudioFormat mono8{22050, 1, 8};
  std::vector<uint8_t> dst(4), src = {255, 0, 192, 128};
  FillSilence(mono8, dst.data(), 4);
  EXPECT_EQ(dst, (std::vector<uint8_t>{128, 128, 128, 128}));
  MixAdd(mono8, dst.data(), src.data(), 0x10000, 0, 4);
  EXPECT_EQ(dst, (std::vector<uint8_t>{255, 0, 192, 128}));
  MixAdd(mono8, dst.data(), src.data(), 0x10000, 0, 4);
  EXPECT_EQ(dst, (std::vector<uint8_t>{255, 0, 255, 128}));  // saturated
}

}  // namespace
}  // namespace tav::sound
