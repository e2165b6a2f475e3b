#include <gtest/gtest.h>

#include <cstddef>

#include "gdi_test_support.h"
#include "gdi/gdi_dc.h"
#include "gdi/gdi_types.h"

namespace tav::platform {
namespace {

using testing::Block;
using testing::Canvas;

TEST(GdiTypes, ColoursConvertBetweenColorrefAndPixels) {
  EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x563412u);
  EXPECT_EQ(ColorrefToPixel(RGB(0x12, 0x34, 0x56)), RgbPixel(0x12, 0x34, 0x56));
  EXPECT_EQ(PixelToColorref(RgbPixel(0x12, 0x34, 0x56)), RGB(0x12, 0x34, 0x56));
  EXPECT_EQ(ColorrefToPixel(0xFF000000u | RGB(1, 2, 3)), RgbPixel(1, 2, 3));
}

TEST(GdiTypes, MulDivRoundsHalvesAwayFromZeroAndReportsFailureAsMinusOne) {
  EXPECT_EQ(MulDiv(10, 96, 72), 13);
  EXPECT_EQ(MulDiv(12, 96, 72), 16);
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);
  EXPECT_EQ(MulDiv(3, 1, -2), -2);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(2000000000, 2, 1), -1);
  EXPECT_EQ(MulDiv(2000000000, 3, 3), 2000000000);
}

TEST(GdiTypes, LogFontHasTheStoredLayout) {
  EXPECT_EQ(offsetof(LOGFONTA, lfWeight), 16u);
  EXPECT_EQ(offsetof(LOGFONTA, lfItalic), 20u);
  EXPECT_EQ(offsetof(LOGFONTA, lfCharSet), 23u);
  EXPECT_EQ(offsetof(LOGFONTA, lfPitchAndFamily), 27u);
  EXPECT_EQ(offsetof(LOGFONTA, lfFaceName), 28u);
  LOGFONTA font = PointFontLogFont(120, "Arial");
  EXPECT_EQ(font.lfHeight, -16);
  EXPECT_EQ(font.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(font.FaceName(), "Arial");
  EXPECT_EQ(PointFontLogFont(100, "").lfHeight, -13);
  // A face name is cut at 31 bytes, never inside a two-byte character.
  std::string longName(30, 'a');
  longName += "\x82\xA0";
  font.SetFaceName(longName);
  EXPECT_EQ(font.FaceName(), std::string(30, 'a'));
}

TEST(GdiDc, ANewDcHasTheDocumentedDefaults) {
  DeviceContext dc;
  EXPECT_EQ(dc.SelectedPen(), (Pen{PS_SOLID, 1, RGB(0, 0, 0)}));
  EXPECT_EQ(dc.SelectedBrush(), CreateSolidBrush(RGB(255, 255, 255)));
  EXPECT_EQ(dc.GetTextColor(), RGB(0, 0, 0));
  EXPECT_EQ(dc.GetBkColor(), RGB(255, 255, 255));
  EXPECT_EQ(dc.GetBkMode(), OPAQUE);
  EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
  EXPECT_EQ(dc.CurrentPosition(), (POINT{0, 0}));
  EXPECT_FALSE(dc.ClipRect().has_value());
  EXPECT_EQ(dc.SetROP2(99), 0);
  EXPECT_EQ(dc.SetBkMode(0), 0);
  // Drawing without a bitmap does nothing, safely.
  dc.LineTo(10, 10);
  dc.Rectangle(0, 0, 5, 5);
  EXPECT_FALSE(dc.BitBlt(0, 0, 4, 4, dc, 0, 0));
}

TEST(GdiDc, SaveAndRestoreBringBackTheWholeStateAndDiscardLaterSaves) {
  Bitmap first(8, 8), second(8, 8);
  DeviceContext dc(&first);
  EXPECT_EQ(dc.SaveDC(), 1);
  dc.SelectBitmap(&second);
  dc.SelectPen(CreatePen(PS_DOT, 1, RGB(1, 2, 3)));
  dc.SetTextColor(RGB(9, 9, 9));
  dc.SetROP2(R2_XORPEN);
  dc.IntersectClipRect(1, 1, 5, 5);
  dc.MoveTo(3, 4);
  EXPECT_EQ(dc.SaveDC(), 2);
  dc.SetBkMode(TRANSPARENT);
  EXPECT_EQ(dc.SaveDC(), 3);
  EXPECT_FALSE(dc.RestoreDC(4));
  EXPECT_FALSE(dc.RestoreDC(-4));
  EXPECT_FALSE(dc.RestoreDC(0));
  EXPECT_EQ(dc.GetBkMode(), TRANSPARENT);

  EXPECT_TRUE(dc.RestoreDC(-2));  // state 2; states 2 and 3 are gone
  EXPECT_EQ(dc.GetBkMode(), OPAQUE);
  EXPECT_EQ(dc.SelectedBitmap(), &second);
  EXPECT_EQ(dc.CurrentPosition(), (POINT{3, 4}));
  EXPECT_FALSE(dc.RestoreDC(2));
  EXPECT_TRUE(dc.RestoreDC(1));
  EXPECT_EQ(dc.SelectedBitmap(), &first);
  EXPECT_EQ(dc.SelectedPen(), Pen{});
  EXPECT_EQ(dc.GetTextColor(), RGB(0, 0, 0));
  EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
  EXPECT_FALSE(dc.ClipRect().has_value());
  EXPECT_FALSE(dc.RestoreDC(-1));
}

TEST(GdiDc, ClipRectanglesIntersectAndExcludeTheirRightAndBottomEdges) {
  Canvas canvas(10, 10);
  canvas.dc.IntersectClipRect(8, 7, 2, 1);
  canvas.dc.IntersectClipRect(4, 0, 20, 5);
  EXPECT_EQ(canvas.dc.ClipRect(), (RECT{4, 1, 8, 5}));
  canvas.dc.FillRect({-100, -100, 100, 100}, CreateSolidBrush(RGB(255, 255, 255)));
  EXPECT_EQ(canvas.Lit(), Block(4, 1, 8, 5));
  canvas.dc.IntersectClipRect(0, 6, 10, 9);  // disjoint: nothing may be drawn
  canvas.dc.FillRect({0, 0, 10, 10}, CreateSolidBrush(RGB(1, 1, 1)));
  EXPECT_EQ(canvas.Lit(), Block(4, 1, 8, 5));
  canvas.dc.RemoveClip();
  EXPECT_EQ(canvas.dc.DrawableArea(), (RECT{0, 0, 10, 10}));
}

TEST(GdiBlit, CopiesExactlyWhereTheSourceExistsAndOverlapsSafely) {
  Bitmap source(4, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) source.At(x, y) = static_cast<uint32_t>(0x100 * y + x + 1);
  }
  DeviceContext from(&source);
  Canvas canvas(6, 6, 0x404040u);
  from.SetROP2(R2_XORPEN);
  canvas.dc.SetROP2(R2_XORPEN);
  ASSERT_TRUE(canvas.dc.BitBlt(1, 2, 5, 5, from, 2, 1));
  // Source columns 2 … 3 and rows 1 … 3 exist: destination 1 … 2 by 2 … 4 changes, nothing else.
  EXPECT_EQ(canvas.Lit(0x404040u), Block(1, 2, 3, 5));
  EXPECT_EQ(canvas.bitmap.At(1, 2), 0x103u);
  EXPECT_EQ(canvas.bitmap.At(2, 4), 0x304u);

  // Overlapping copy within one bitmap, shifted right and down by one.
  Bitmap expected = source;
  for (int y = 1; y < 4; ++y) {
    for (int x = 1; x < 4; ++x) expected.At(x, y) = source.At(x - 1, y - 1);
  }
  DeviceContext self(&source);
  self.BitBlt(1, 1, 3, 3, self, 0, 0);
  EXPECT_EQ(source, expected);
}

}  // namespace
}  // namespace tav::platform
