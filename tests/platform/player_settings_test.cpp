#include "platform/player_settings.h"

#include <gtest/gtest.h>

namespace tav::platform {
namespace {

TEST(PlayerSettingsTest, ReadsWhatItWrites) {
  PlayerSettings saved;
  saved.volume = 70;
  saved.muted = true;
  saved.fullscreen = true;
  saved.width = 1024;
  saved.height = 700;
  PlayerSettings read;
  std::string error;
  ASSERT_TRUE(ParseSettings(FormatSettings(saved), read, error)) << error;
  EXPECT_EQ(read.volume, 70);
  EXPECT_TRUE(read.muted);
  EXPECT_TRUE(read.fullscreen);
  EXPECT_EQ(read.width, 1024);
  EXPECT_EQ(read.height, 700);
  ASSERT_TRUE(ParseSettings("; comment\r\n\n volume = 30 \r\nfuture=x\n", read, error)) << error;
  EXPECT_EQ(read.volume, 30);
  EXPECT_EQ(read.width, 0);
}

TEST(PlayerSettingsTest, BrokenFileChangesNothing) {
  PlayerSettings read;
  read.volume = 40;
  std::string error;
  for (const char* text : {"volume=101\n", "volume=abc\n", "muted=2\n", "garbage\n", "width=640\n", "width=-5\nheight=1\n"}) {
    EXPECT_FALSE(ParseSettings(text, read, error)) << text;
    EXPECT_EQ(read.volume, 40) << text;
  }
  ASSERT_FALSE(ParseSettings("volume=50\nvolume=x\n", read, error));
  EXPECT_EQ(error, "line 2: bad value for volume");
}

}  // namespace
}  // namespace tav::platform
