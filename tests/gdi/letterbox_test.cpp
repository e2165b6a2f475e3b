#include "gdi/letterbox.h"

#include <gtest/gtest.h>

namespace tav::platform {
namespace {

TEST(LetterboxTest, LargestWholeMultipleThatFitsIsCentred) {
  const Letterbox exact = FitPicture(800, 600, 800, 600);
  EXPECT_EQ(exact.x, 0);
  EXPECT_EQ(exact.width, 800);
  EXPECT_TRUE(exact.sharp);
  // 1920 x 1080 holds one 800 x 600 but not two heights: 1x, centred.
  const Letterbox wide = FitPicture(1920, 1080, 800, 600);
  EXPECT_EQ(wide.width, 800);
  EXPECT_EQ(wide.height, 600);
  EXPECT_EQ(wide.x, 560);
  EXPECT_EQ(wide.y, 240);
  const Letterbox twice = FitPicture(1700, 1300, 800, 600);
  EXPECT_EQ(twice.width, 1600);
  EXPECT_EQ(twice.height, 1200);
  EXPECT_EQ(twice.x, 50);
  EXPECT_EQ(twice.y, 50);
  EXPECT_TRUE(twice.sharp);
}

TEST(LetterboxTest, SmallerWindowScalesSmoothlyKeepingShape) {
  const Letterbox tall = FitPicture(400, 600, 800, 600);
  EXPECT_FALSE(tall.sharp);
  EXPECT_EQ(tall.width, 400);
  EXPECT_EQ(tall.height, 300);
  EXPECT_EQ(tall.y, 150);
  const Letterbox flat = FitPicture(799, 300, 800, 600);
  EXPECT_EQ(flat.width, 400);
  EXPECT_EQ(flat.height, 300);
  EXPECT_EQ(flat.x, 199);
  EXPECT_EQ(FitPicture(0, 0, 800, 600).width, 0);
}

TEST(LetterboxTest, MouseMapsBackToGamePixelsAndNotFromBorders) {
  const Letterbox box = FitPicture(1700, 1300, 800, 600);
  auto at = WindowToGame(box, 50, 50, 800, 600);
  ASSERT_TRUE(at);
  EXPECT_EQ(at->x, 0);
  EXPECT_EQ(at->y, 0);
  at = WindowToGame(box, 50 + 2 * 123 + 1, 50 + 2 * 456, 800, 600);
  ASSERT_TRUE(at);
  EXPECT_EQ(at->x, 123);
  EXPECT_EQ(at->y, 456);
  at = WindowToGame(box, 1649, 1249, 800, 600);
  ASSERT_TRUE(at);
  EXPECT_EQ(at->x, 799);
  EXPECT_EQ(at->y, 599);
  EXPECT_FALSE(WindowToGame(box, 49, 100, 800, 600));
  EXPECT_FALSE(WindowToGame(box, 1650, 100, 800, 600));
  EXPECT_FALSE(WindowToGame(box, 100, 1250, 800, 600));
  EXPECT_FALSE(WindowToGame(Letterbox{}, 0, 0, 800, 600));
  const Letterbox half = FitPicture(400, 300, 800, 600);
  at = WindowToGame(half, 399, 299, 800, 600);
  ASSERT_TRUE(at);
  EXPECT_EQ(at->x, 798);
  EXPECT_EQ(at->y, 598);
}

}  // namespace
}  // namespace tav::platform
