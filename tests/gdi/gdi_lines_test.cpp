#include <gtest/gtest.h>

#include "gdi_test_support.h"
#include "gdi/gdi_dc.h"

namespace tav::platform {
namespace {

using testing::Block;
using testing::Canvas;
using Pixels = std::set<std::string>;

Pixels Line(int x0, int y0, int x1, int y1, int width = 16, int height = 16) {
  Canvas canvas(width, height);
  canvas.dc.SelectPen(CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
  canvas.dc.MoveTo(x0, y0);
  canvas.dc.LineTo(x1, y1);
  return canvas.Lit();
}

TEST(GdiLines, CosmeticLinesExcludeTheLastPixelAndRoundTiesToTheSmallerCoordinate) {
  EXPECT_EQ(Line(0, 0, 4, 0), (Pixels{"0,0", "1,0", "2,0", "3,0"}));
  EXPECT_EQ(Line(0, 0, 4, 2), (Pixels{"0,0", "1,0", "2,1", "3,1"}));
  EXPECT_EQ(Line(4, 2, 0, 0), (Pixels{"4,2", "3,1", "2,1", "1,0"}));
  // y-major, both directions: the half-way columns go left.
  EXPECT_EQ(Line(0, 0, 2, 4), (Pixels{"0,0", "0,1", "1,2", "1,3"}));
  EXPECT_EQ(Line(2, 4, 0, 0), (Pixels{"2,4", "1,3", "1,2", "0,1"}));
  EXPECT_TRUE(Line(3, 3, 3, 3).empty());
}

TEST(GdiLines, LineToMovesThePositionEvenWhenNothingIsDrawn) {
  Canvas canvas;
  canvas.dc.MoveTo(5, 6);
  canvas.dc.LineTo(5, 6);
  canvas.dc.LineTo(-100, 40);
  EXPECT_EQ(canvas.dc.CurrentPosition(), (POINT{-100, 40}));
  EXPECT_EQ(canvas.dc.MoveTo(1, 2), (POINT{-100, 40}));
}

TEST(GdiLines, FarOutsideCoordinatesLightThePixelsTheExactLineRoundsTo) {
  EXPECT_EQ(Line(-1000000000, 5, 1000000000, 5, 8, 8), Block(0, 5, 8, 6));
  EXPECT_EQ(Line(-2000000000, -2000000000, 2000000000, 2000000000, 4, 4),
            (Pixels{"0,0", "1,1", "2,2", "3,3"}));
  // At x = 0 the exact line is at y = 0.5 (a tie, upper pixel); just right of it, row 1.
  Pixels expected = Block(1, 1, 8, 2);
  expected.insert("0,0");
  EXPECT_EQ(Line(-2000000000, -1, 2000000000, 2, 8, 4), expected);
  EXPECT_EQ(Line(2000000000, 2, -2000000000, -1, 8, 4), expected);
}

TEST(GdiLines, OutlineOfARectangleLightsEveryCornerOnceSoXorTwiceRestores) {
  Canvas canvas(12, 12, RgbPixel(255, 255, 255));
  canvas.bitmap.At(5, 5) = 0;
  Bitmap before = canvas.bitmap;
  DeviceContext& dc = canvas.dc;
  dc.SetROP2(R2_XORPEN);
  dc.SelectPen(CreatePen(PS_SOLID, 1, RGB(0x80, 0x80, 0x80)));
  auto frame = [&] {
    dc.MoveTo(2, 3);
    dc.LineTo(8, 3);
    dc.LineTo(8, 9);
    dc.LineTo(2, 9);
    dc.LineTo(2, 3);
  };
  frame();
  Pixels border = Block(2, 3, 9, 10);
  for (const auto& inner : Block(3, 4, 8, 9)) border.erase(inner);
  EXPECT_EQ(canvas.Lit(RgbPixel(255, 255, 255)), [&] {
    Pixels all = border;
    all.insert("5,5");
    return all;
  }());
  EXPECT_EQ(canvas.bitmap.At(2, 3), 0x7F7F7Fu);  // white XOR 0x808080, corners not doubled
  EXPECT_EQ(canvas.bitmap.At(8, 9), 0x7F7F7Fu);
  frame();
  EXPECT_EQ(canvas.bitmap, before);
}

TEST(GdiLines, DottedPenRunsThreeOnThreeOffFromEachLineStart) {
  Canvas canvas(16, 4);
  DeviceContext& dc = canvas.dc;
  dc.SelectPen(CreatePen(PS_DOT, 1, RGB(255, 0, 0)));
  dc.SetBkMode(TRANSPARENT);
  dc.MoveTo(0, 0);
  dc.LineTo(14, 0);
  dc.MoveTo(13, 2);
  dc.LineTo(0, 2);
  EXPECT_EQ(canvas.Lit(), (Pixels{"0,0", "1,0", "2,0", "6,0", "7,0", "8,0", "12,0", "13,0", "13,2", "12,2",
                                  "11,2", "7,2", "6,2", "5,2", "1,2"}));
  EXPECT_EQ(canvas.bitmap.At(0, 0), RgbPixel(255, 0, 0));

  // OPAQUE paints the gaps in the background colour, through the mix.
  Canvas opaque(8, 1, RgbPixel(0, 0, 0xFF));
  opaque.dc.SelectPen(CreatePen(PS_DOT, 1, RGB(255, 0, 0)));
  opaque.dc.SetBkColor(RGB(0, 0xFF, 0));
  opaque.dc.SetROP2(R2_XORPEN);
  opaque.dc.MoveTo(0, 0);
  opaque.dc.LineTo(7, 0);
  EXPECT_EQ(opaque.bitmap.At(2, 0), RgbPixel(255, 0, 0xFF));
  EXPECT_EQ(opaque.bitmap.At(3, 0), RgbPixel(0, 0xFF, 0xFF));
  EXPECT_EQ(opaque.bitmap.At(7, 0), RgbPixel(0, 0, 0xFF));
}

TEST(GdiLines, ClippingRemovesPixelsWithoutMovingThemOrTheDotPhase) {
  const int lines[][4] = {{-7, -3, 30, 11}, {25, 2, -9, 19}, {3, -20, 9, 40}, {-50, 13, 50, 12}, {0, 0, 19, 19}};
  for (int style : {PS_SOLID, PS_DOT}) {
    for (int width : {1, 3, 4}) {
      if (style == PS_DOT && width > 1) continue;
      Canvas whole(20, 20), clipped(20, 20);
      for (DeviceContext* dc : {&whole.dc, &clipped.dc}) {
        dc->SelectPen(CreatePen(style, width, RGB(9, 9, 9)));
        dc->SetBkColor(RGB(1, 1, 1));
      }
      clipped.dc.IntersectClipRect(14, 15, 4, 5);  // sorted: 4 … 13 by 5 … 14
      for (const auto& l : lines) {
        for (DeviceContext* dc : {&whole.dc, &clipped.dc}) {
          dc->MoveTo(l[0], l[1]);
          dc->LineTo(l[2], l[3]);
        }
      }
      Pixels expected;
      for (const auto& p : whole.Lit()) {
        if (Block(4, 5, 14, 15).count(p)) expected.insert(p);
      }
      EXPECT_FALSE(expected.empty());
      EXPECT_EQ(clipped.Lit(), expected) << "style " << style << " width " << width;
      for (int y = 5; y < 15; ++y) {
        for (int x = 4; x < 14; ++x) ASSERT_EQ(clipped.bitmap.At(x, y), whole.bitmap.At(x, y));
      }
    }
  }
}

TEST(GdiLines, WidePensAreRoundDiscsSweptAlongTheSegmentIncludingTheEnd) {
  auto wide = [](int width, int x0, int y0, int x1, int y1) {
    Canvas canvas(16, 16);
    canvas.dc.SelectPen(CreatePen(PS_SOLID, width, RGB(255, 255, 255)));
    canvas.dc.MoveTo(x0, y0);
    canvas.dc.LineTo(x1, y1);
    return canvas.Lit();
  };
  // Odd widths centre on the pixel; square ends up to width 3.
  EXPECT_EQ(wide(3, 2, 5, 8, 5), Block(1, 4, 10, 7));
  EXPECT_EQ(wide(3, 5, 2, 5, 8), Block(4, 1, 7, 10));
  // Even widths reach one row further up than down, one column further left than right.
  EXPECT_EQ(wide(2, 2, 5, 8, 5), Block(1, 4, 9, 6));
  EXPECT_EQ(wide(2, 5, 2, 5, 8), Block(4, 1, 6, 9));
  // From width 4 the ends lose their corner pixels.
  Pixels four = Block(0, 4, 10, 6);
  for (const auto& p : Block(1, 3, 9, 4)) four.insert(p);
  for (const auto& p : Block(1, 6, 9, 7)) four.insert(p);
  EXPECT_EQ(wide(4, 2, 5, 8, 5), four);
  // A zero-length wide line is the disc itself.
  EXPECT_EQ(wide(3, 6, 6, 6, 6), (Pixels{"5,6", "6,5", "6,6", "6,7", "7,6", "5,5", "5,7", "7,5", "7,7"}));
}

TEST(GdiLines, WidePensFromFarOutsideStayExact) {
  for (int far : {100000000, 2000000000}) {
    Canvas canvas(12, 12);
    canvas.dc.SelectPen(CreatePen(PS_SOLID, 3, RGB(255, 255, 255)));
    canvas.dc.MoveTo(-far, -far);
    canvas.dc.LineTo(far, far);
    Pixels expected;
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 12; ++x) {
        if (std::abs(x - y) <= 2) expected.insert(std::to_string(x) + "," + std::to_string(y));
      }
    }
    EXPECT_EQ(canvas.Lit(), expected) << far;
  }
}

TEST(GdiLines, WideXorLinePaintsEachPixelOnce) {
  Canvas canvas(16, 16);
  canvas.dc.SetROP2(R2_XORPEN);
  canvas.dc.SelectPen(CreatePen(PS_SOLID, 5, RGB(0x80, 0x80, 0x80)));
  canvas.dc.MoveTo(2, 3);
  canvas.dc.LineTo(12, 9);
  for (const auto& p : canvas.Lit()) {
    int x = std::stoi(p), y = std::stoi(p.substr(p.find(',') + 1));
    ASSERT_EQ(canvas.bitmap.At(x, y), 0x808080u) << p;
  }
  canvas.dc.MoveTo(2, 3);
  canvas.dc.LineTo(12, 9);
  EXPECT_TRUE(canvas.Lit().empty());
}

}  // namespace
}  // namespace tav::platform
