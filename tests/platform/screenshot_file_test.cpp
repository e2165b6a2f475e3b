#include "platform/screenshot_file.h"

#include <gtest/gtest.h>

namespace tav::platform {
namespace {

TEST(ScreenshotFileTest, PicturesFolderFromUserDirs) {
  EXPECT_EQ(PicturesFolderFrom("# comment\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n", "/home/a"), "/home/a/Bilder");
  EXPECT_EQ(PicturesFolderFrom("XDG_PICTURES_DIR=\"/data/pics\"\n", "/home/a"), "/data/pics");
  // Missing, relative, unterminated or "no folder" ($HOME itself): the fallback.
  EXPECT_EQ(PicturesFolderFrom("", "/home/a"), "/home/a/Pictures");
  EXPECT_EQ(PicturesFolderFrom("XDG_PICTURES_DIR=\"pics\"\n", "/home/a"), "/home/a/Pictures");
  EXPECT_EQ(PicturesFolderFrom("XDG_PICTURES_DIR=\"$HOME/x\n", "/home/a"), "/home/a/Pictures");
  EXPECT_EQ(PicturesFolderFrom("XDG_PICTURES_DIR=\"$HOME/\"\n", "/home/a"), "/home/a/Pictures");
}

TEST(ScreenshotFileTest, NameHoldsGameAndTime) {
  std::tm time{};
  time.tm_year = 2026 - 1900;
  time.tm_mon = 11;
  time.tm_mday = 8;
  time.tm_hour = 3;
  time.tm_min = 4;
  time.tm_sec = 5;
  EXPECT_EQ(ScreenshotName("mygame", time, 1), "mygame-2026-12-08_03-04-05.png");
  EXPECT_EQ(ScreenshotName("mygame", time, 2), "mygame-2026-12-08_03-04-05-2.png");
  EXPECT_EQ(ScreenshotName("", time, 1), "tav-2026-12-08_03-04-05.png");
  EXPECT_EQ(ScreenshotName("..x\n", time, 1), "x_-2026-12-08_03-04-05.png");
}

}  // namespace
}  // namespace tav::platform
