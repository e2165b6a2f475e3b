#include "gdi/png_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace tav::platform {
namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PngTest, WrittenPicturesReadBackExactly) {
  Bitmap picture(3, 2);
  picture.At(0, 0) = RgbPixel(255, 0, 0);
  picture.At(1, 0) = RgbPixel(0, 255, 0);
  picture.At(2, 0) = RgbPixel(0, 0, 255);
  picture.At(0, 1) = RgbPixel(1, 2, 3);
  picture.At(2, 1) = 0xFFFFFFFF;  // the unused top byte is not part of the colour
  const std::string path = ::testing::TempDir() + "/tav_png_test.png";
  std::string error;
  ASSERT_TRUE(WritePng(picture, path, error)) << error;

  const std::string bytes = ReadBytes(path);
  ASSERT_GE(bytes.size(), 26u);
  EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1A\n");
  EXPECT_EQ(bytes.substr(12, 4), "IHDR");
  EXPECT_EQ(bytes.substr(16, 8), std::string("\0\0\0\3\0\0\0\2", 8));
  EXPECT_EQ(bytes[24], 8) << "bit depth";
  EXPECT_EQ(bytes[25], 2) << "RGB";

  Bitmap back;
  ASSERT_TRUE(ReadPng(path, back, error)) << error;
  picture.At(2, 1) = 0x00FFFFFF;
  EXPECT_EQ(back, picture);
  std::remove(path.c_str());
}

TEST(PngTest, FailuresSayWhichFile) {
  std::string error;
  EXPECT_FALSE(WritePng(Bitmap(2, 2), "/nonexistent/dir/a.png", error));
  EXPECT_EQ(error.rfind("/nonexistent/dir/a.png: cannot write PNG", 0), 0u) << error;
  EXPECT_FALSE(WritePng(Bitmap(), ::testing::TempDir() + "/empty.png", error));

  const std::string path = ::testing::TempDir() + "/tav_not_a_png.png";
  std::ofstream(path) << "not a picture";
  Bitmap picture(1, 1, 7);
  EXPECT_FALSE(ReadPng(path, picture, error));
  EXPECT_EQ(error.rfind(path + ": cannot read PNG", 0), 0u) << error;
  EXPECT_EQ(picture, Bitmap(1, 1, 7)) << "a failed read leaves the bitmap alone";
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tav::platform
