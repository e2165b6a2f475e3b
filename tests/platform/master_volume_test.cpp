#include "platform/master_volume.h"

#include <gtest/gtest.h>

#include <vector>

namespace tav::platform {
namespace {

TEST(MasterVolumeTest, StepsStayOnTheGridWithinRange) {
  EXPECT_EQ(StepVolume(100, 1), 100);
  EXPECT_EQ(StepVolume(100, -1), 90);
  EXPECT_EQ(StepVolume(0, -1), 0);
  EXPECT_EQ(StepVolume(0, 1), 10);
  EXPECT_EQ(StepVolume(55, 1), 60);
  EXPECT_EQ(StepVolume(55, -1), 50);
  EXPECT_EQ(StepVolume(250, -1), 90);
}

TEST(MasterVolumeTest, ScalesWhatIsPlayedAndMutes) {
  const AudioFormat format;  // 16-bit stereo
  std::vector<uint8_t> pcm = {0x00, 0x40, 0x00, 0xC0};  // 16384, -16384
  SetMasterVolume(50, false);
  ApplyMasterVolume(format, pcm.data(), pcm.size());
  EXPECT_EQ(static_cast<int16_t>(pcm[0] | pcm[1] << 8), 8192);
  EXPECT_EQ(static_cast<int16_t>(pcm[2] | pcm[3] << 8), -8192);
  std::vector<uint8_t> eight = {0xFF, 0x00};
  ApplyMasterVolume({44100, 1, 8}, eight.data(), eight.size());
  EXPECT_EQ(eight[0], 0x80 + 63);
  EXPECT_EQ(eight[1], 0x80 - 64);
  SetMasterVolume(50, true);
  ApplyMasterVolume(format, pcm.data(), pcm.size());
  EXPECT_EQ(pcm, std::vector<uint8_t>(4, 0));
  SetMasterVolume(100, false);
  EXPECT_TRUE(MasterVolumeIsFull());
}

}  // namespace
}  // namespace tav::platform
