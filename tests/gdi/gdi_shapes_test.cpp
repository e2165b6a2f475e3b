#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gdi_test_support.h"
#include "gdi/gdi_dc.h"
#include "gdi/gdi_wide_pen.h"

namespace tav::platform {
namespace {

using testing::Block;
using testing::Canvas;
using Pixels = std::set<std::string>;

constexpr uint32_t kGrey = 0x404040;

Pixels Minus(Pixels a, const Pixels& b) {
  for (const auto& p : b) a.erase(p);
  return a;
}

Pixels WithColour(const Canvas& canvas, uint32_t pixel) {
  Pixels out;
  for (int y = 0; y < canvas.bitmap.Height(); ++y) {
    for (int x = 0; x < canvas.bitmap.Width(); ++x) {
      if (canvas.bitmap.At(x, y) == pixel) out.insert(std::to_string(x) + "," + std::to_string(y));
    }
  }
  return out;
}

TEST(GdiShapes, RectangleWithAThinPenCoversExactlyTheRightAndBottomExclusiveArea) {
  Canvas canvas(12, 12, kGrey);
  canvas.dc.SelectBrush(CreateSolidBrush(RGB(255, 255, 255)));
  canvas.dc.MoveTo(1, 1);
  canvas.dc.Rectangle(7, 9, 2, 3);  // sorted to 2, 3, 7, 9
  EXPECT_EQ(canvas.dc.CurrentPosition(), (POINT{1, 1}));
  EXPECT_EQ(canvas.Lit(kGrey), Block(2, 3, 7, 9));
  EXPECT_EQ(WithColour(canvas, RgbPixel(255, 255, 255)), Block(3, 4, 6, 8));

  Canvas empty(12, 12, kGrey);
  empty.dc.Rectangle(2, 3, 2, 9);
  empty.dc.Rectangle(2, 3, 9, 3);
  EXPECT_TRUE(empty.Lit(kGrey).empty());
}

TEST(GdiShapes, XorRectangleOutlinePaintsEachPixelOnceEvenWhenOnePixelWide) {
  Canvas canvas(12, 12);
  canvas.dc.SetROP2(R2_XORPEN);
  canvas.dc.SelectPen(CreatePen(PS_SOLID, 1, RGB(0x80, 0x80, 0x80)));
  canvas.dc.SelectBrush(HollowBrush());
  canvas.dc.Rectangle(4, 2, 5, 8);
  canvas.dc.Rectangle(6, 2, 11, 3);
  canvas.dc.Rectangle(6, 5, 11, 11);
  EXPECT_EQ(WithColour(canvas, 0x808080), canvas.Lit());
  Pixels expected = Block(4, 2, 5, 8);
  for (const auto& p : Block(6, 2, 11, 3)) expected.insert(p);
  for (const auto& p : Minus(Block(6, 5, 11, 11), Block(7, 6, 10, 10))) expected.insert(p);
  EXPECT_EQ(canvas.Lit(), expected);
  canvas.dc.Rectangle(4, 2, 5, 8);
  canvas.dc.Rectangle(6, 2, 11, 3);
  canvas.dc.Rectangle(6, 5, 11, 11);
  EXPECT_TRUE(canvas.Lit().empty());
}

TEST(GdiShapes, NullPenLeavesTheBrushOnePixelShortOnTheRightAndBottom) {
  Canvas canvas(12, 12);
  canvas.dc.SelectPen(CreatePen(PS_NULL, 1, 0));
  canvas.dc.Rectangle(2, 3, 7, 9);
  EXPECT_EQ(canvas.Lit(), Block(2, 3, 6, 8));
}

TEST(GdiShapes, WidePenRectangleIsCentredOnItsPathWithTheBrushInside) {
  Canvas odd(14, 14, kGrey);
  odd.dc.SelectPen(CreatePen(PS_SOLID, 3, RGB(255, 0, 0)));
  odd.dc.SelectBrush(CreateSolidBrush(RGB(0, 0, 255)));
  odd.dc.Rectangle(4, 4, 10, 10);  // path 4 … 9; the box reaches one pixel beyond on every side
  EXPECT_EQ(odd.Lit(kGrey), Block(3, 3, 11, 11));
  EXPECT_EQ(WithColour(odd, RgbPixel(0, 0, 255)), Block(6, 6, 8, 8));

  Canvas even(14, 14, kGrey);
  even.dc.SelectPen(CreatePen(PS_SOLID, 2, RGB(255, 0, 0)));
  even.dc.Rectangle(4, 4, 10, 10);
  EXPECT_EQ(even.Lit(kGrey), Block(3, 3, 10, 10));

  // With XOR, pen and brush each touch a pixel once: drawing twice restores the picture.
  Canvas xored(14, 14, kGrey);
  xored.dc.SetROP2(R2_XORPEN);
  xored.dc.SelectPen(CreatePen(PS_SOLID, 4, RGB(0x80, 0x80, 0x80)));
  xored.dc.SelectBrush(CreateSolidBrush(RGB(0x11, 0x22, 0x33)));
  xored.dc.Rectangle(3, 2, 12, 11);
  EXPECT_FALSE(WithColour(xored, kGrey ^ 0x808080).empty());
  EXPECT_FALSE(WithColour(xored, kGrey ^ 0x112233).empty());
  xored.dc.Rectangle(3, 2, 12, 11);
  EXPECT_TRUE(xored.Lit(kGrey).empty());
}

TEST(GdiShapes, WidePenSpansAgreeWithTheExactCoverageTest) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> coordinate(-10, 40);
  for (int round = 0; round < 120; ++round) {
    std::vector<POINT> path;
    for (int i = 0; i < 3; ++i) path.push_back({coordinate(random), coordinate(random)});
    // Every third path runs only across and down, as the sides of rectangles do.
    if (round % 3 == 0) {
      path[1].y = path[0].y;
      path[2].x = path[1].x;
    }
    if (round % 6 == 3) path[2] = path[1];  // a segment that is a single point
    int width = 2 + round % 9;
    WidePenShape shape(path, round % 2 == 0, width);
    std::vector<PixelSpan> spans;
    for (int64_t y = -2; y < 34; ++y) {
      shape.RowSpans(y, 0, 30, spans);
      std::vector<bool> lit(30, false);
      for (const PixelSpan& span : spans) {
        for (int64_t x = span.from; x < span.to; ++x) lit[static_cast<size_t>(x)] = true;
      }
      for (int64_t x = 0; x < 30; ++x) {
        ASSERT_EQ(lit[static_cast<size_t>(x)], shape.Covers(x, y)) << "round " << round << " at " << x << "," << y;
      }
      if (y < shape.Top() || y >= shape.Bottom()) {
        EXPECT_TRUE(spans.empty());
      }
    }
  }
}

TEST(GdiShapes, PolygonFillsLeftAndTopEdgesAndItsOutlineReachesEveryVertex) {
  const POINT box[] = {{2, 3}, {9, 3}, {9, 8}, {2, 8}};
  Canvas filled(12, 12);
  filled.dc.SelectPen(CreatePen(PS_NULL, 1, 0));
  filled.dc.Polygon(box);
  EXPECT_EQ(filled.Lit(), Block(2, 3, 9, 8));

  Canvas outlined(12, 12);
  outlined.dc.SelectPen(CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
  outlined.dc.SelectBrush(CreateSolidBrush(RGB(0, 255, 0)));
  outlined.dc.Polygon(box);
  EXPECT_EQ(outlined.Lit(), Block(2, 3, 10, 9));
  EXPECT_EQ(WithColour(outlined, RgbPixel(0, 255, 0)), Block(3, 4, 9, 8));

  // A degenerate polygon fills nothing; its outline is still drawn.
  Canvas flat(12, 12);
  const POINT line[] = {{1, 1}, {5, 5}, {3, 3}};
  flat.dc.SelectBrush(CreateSolidBrush(RGB(0, 255, 0)));
  flat.dc.SelectPen(CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
  flat.dc.Polygon(line);
  EXPECT_EQ(WithColour(flat, RgbPixel(0, 255, 0)), Pixels{});
  EXPECT_EQ(WithColour(flat, RgbPixel(255, 0, 0)), (Pixels{"1,1", "2,2", "3,3", "4,4", "5,5"}));

  Canvas single(12, 12);
  single.dc.Polygon(std::span<const POINT>(box, 1));
  EXPECT_TRUE(single.Lit().empty());
}

// Even-odd reference: a pixel is in when an odd number of edge crossings X of its row satisfy
// X <= x (edges counted on min(ya, yb) <= y < max(ya, yb)), compared exactly as fractions.
bool InsideReference(std::span<const POINT> points, int64_t x, int64_t y) {
  int crossings = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    const POINT& a = points[i];
    const POINT& b = points[(i + 1) % points.size()];
    if (a.y == b.y || y < std::min(a.y, b.y) || y >= std::max(a.y, b.y)) continue;
    // X = a.x + (y - a.y)(b.x - a.x)/(b.y - a.y) <= x  <=>  (y - a.y)(b.x - a.x) <= (x - a.x)(b.y - a.y) for b.y > a.y
    __int128 lhs = static_cast<__int128>(y - a.y) * (int64_t{b.x} - a.x);
    __int128 rhs = static_cast<__int128>(x - a.x) * (int64_t{b.y} - a.y);
    bool left = b.y > a.y ? lhs <= rhs : lhs >= rhs;
    if (left) ++crossings;
  }
  return crossings % 2 == 1;
}

void ExpectFillMatchesReference(std::span<const POINT> points, int width, int height, bool clip) {
  Canvas canvas(width, height);
  canvas.dc.SelectPen(CreatePen(PS_NULL, 1, 0));
  if (clip) canvas.dc.IntersectClipRect(3, 4, width - 2, height - 5);
  canvas.dc.Polygon(points);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      bool inClip = !clip || (x >= 3 && x < width - 2 && y >= 4 && y < height - 5);
      bool expected = inClip && InsideReference(points, x, y);
      ASSERT_EQ(canvas.bitmap.At(x, y) != 0, expected) << x << "," << y;
    }
  }
}

TEST(GdiShapes, SelfIntersectingStarLeavesItsCentreEmpty) {
  const POINT star[] = {{20, 1}, {31, 37}, {1, 14}, {39, 14}, {8, 37}};
  Canvas canvas(40, 40);
  canvas.dc.SelectPen(CreatePen(PS_NULL, 1, 0));
  canvas.dc.Polygon(star);
  EXPECT_EQ(canvas.bitmap.At(20, 22), 0u);       // centre pentagon: crossed twice
  EXPECT_NE(canvas.bitmap.At(20, 6), 0u);        // top point
  EXPECT_NE(canvas.bitmap.At(6, 15), 0u);        // left point
  ExpectFillMatchesReference(star, 40, 40, false);
  ExpectFillMatchesReference(star, 40, 40, true);
}

TEST(GdiShapes, PolygonsFromFarOutsideFillExactly) {
  const POINT triangle[] = {{-1000000000, -999999999}, {1999999999, -3}, {7, 2000000000}};
  ExpectFillMatchesReference(triangle, 30, 30, false);
  const POINT sliver[] = {{-2000000000, 5}, {2000000000, 20}, {2000000000, 21}};
  ExpectFillMatchesReference(sliver, 30, 30, true);
}

TEST(GdiShapes, FillRectIgnoresTheMixAndEmptyRectangles) {
  Canvas canvas(10, 10, kGrey);
  canvas.dc.SetROP2(R2_XORPEN);
  canvas.dc.FillRect({2, 3, 6, 5}, CreateSolidBrush(RGB(1, 2, 3)));
  canvas.dc.FillRect({6, 3, 2, 5}, CreateSolidBrush(RGB(9, 9, 9)));
  canvas.dc.FillRect({2, 3, 6, 3}, CreateSolidBrush(RGB(9, 9, 9)));
  EXPECT_EQ(canvas.Lit(kGrey), Block(2, 3, 6, 5));
  EXPECT_EQ(canvas.bitmap.At(5, 4), RgbPixel(1, 2, 3));
}

TEST(GdiShapes, ClippedShapesKeepTheirPixels) {
  const POINT quad[] = {{-5, 2}, {17, -4}, {15, 19}, {1, 12}};
  Canvas whole(16, 16), clipped(16, 16);
  clipped.dc.IntersectClipRect(3, 2, 12, 13);
  for (DeviceContext* dc : {&whole.dc, &clipped.dc}) {
    dc->SelectPen(CreatePen(PS_SOLID, 3, RGB(255, 0, 0)));
    dc->SelectBrush(CreateSolidBrush(RGB(0, 0, 255)));
    dc->Polygon(quad);
    dc->SelectPen(CreatePen(PS_SOLID, 1, RGB(0, 255, 0)));
    dc->Rectangle(-3, 7, 20, 10);
  }
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      bool inClip = x >= 3 && x < 12 && y >= 2 && y < 13;
      ASSERT_EQ(clipped.bitmap.At(x, y), inClip ? whole.bitmap.At(x, y) : 0u) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace tav::platform
