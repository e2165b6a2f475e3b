// What appearances and views put on the picture: text padded, aligned and shadowed, the dotted
// design frame, box outlines and filled boxes with their pens and shadows, and the view's
// drawing order. Glyph shapes belong to the font tests; here only where colours land.
#include <gtest/gtest.h>

#include "gdi/bitmap.h"
#include "gdi/gdi_dc.h"
#include "screen/appear_box.h"
#include "screen/appear_string.h"
#include "screen/var_view.h"
#include "screen/view_classes.h"
#include "script/core/registry.h"
#include "script/runtime.h"

namespace tav::screen {
namespace {

using platform::Bitmap;
using platform::RgbPixel;
using script::Make;

constexpr uint32_t kRed = RgbPixel(255, 0, 0);
constexpr uint32_t kGreen = RgbPixel(0, 255, 0);
constexpr uint32_t kBlue = RgbPixel(0, 0, 255);
constexpr ColorRef kRedRef = 0x0000FF, kGreenRef = 0x00FF00, kBlueRef = 0xFF0000;

class AppearDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    script::InitializeRuntime();
    RegisterViewClasses();
    dc_.SetBkMode(platform::TRANSPARENT);  // as the view sets it
  }
  void TearDown() override { script::Registry::CollectGarbageAll(); }

  // The bounding box of pixels of exactly this colour, or an empty box.
  platform::RECT Extent(uint32_t pixel) const {
    platform::RECT box{bitmap_.Width(), bitmap_.Height(), -1, -1};
    for (int y = 0; y < bitmap_.Height(); ++y) {
      for (int x = 0; x < bitmap_.Width(); ++x) {
        if (bitmap_.At(x, y) != pixel) continue;
        box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y)};
      }
    }
    return box;
  }
  bool Has(uint32_t pixel) const { return Extent(pixel).right >= 0; }

  Bitmap bitmap_{200, 100};
  platform::DeviceContext dc_{&bitmap_};
};

TEST_F(AppearDrawing, PaddingRewritesTheTextOnlyForFormatsZeroAndTwo) {
  auto text = Make<TOL_VarTextAppear>();
  text->SetText("abc");
  text->SetWidth(5);
  text->SetFormat(2);
  text->Draw(dc_);
  EXPECT_EQ(text->Text(), "  abc");
  text->SetFormat(0);
  text->SetText("abc");
  text->Draw(dc_);
  EXPECT_EQ(text->Text(), "abc  ");
  for (int32_t format : {1, 6}) {
    text->SetFormat(format);
    text->SetText("abc");
    text->Draw(dc_);
    EXPECT_EQ(text->Text(), "abc") << format;
  }
  EXPECT_EQ(TOL_VarStringAppear::DrawTextFlags(5), 0x35u);  // centred, one line, vertically centred
  EXPECT_EQ(TOL_VarStringAppear::DrawTextFlags(6), 0x36u);
  EXPECT_EQ(TOL_VarStringAppear::DrawTextFlags(8), 0x38u);
  EXPECT_EQ(TOL_VarStringAppear::DrawTextFlags(2), 0x12u);
}

TEST_F(AppearDrawing, TextStaysInItsRectangleAndItsShadowNeedsAnOffset) {
  auto text = Make<TOL_VarTextAppear>();
  text->SetRect(20, 20, 120, 60);
  text->SetText("WWWWWWWWWWWWWWWWWWWWWW");  // one long word: overflows and is clipped
  text->SetColor(kRedRef);
  text->SetShadowColor(kBlueRef);
  text->Draw(dc_);
  platform::RECT red = Extent(kRed);
  EXPECT_GE(red.left, 20);
  EXPECT_LE(red.right, 119);
  EXPECT_GE(red.top, 20);
  EXPECT_FALSE(Has(kBlue));  // a shadow colour without an offset draws nothing

  text->SetShadowOffset(3, 4);
  text->Draw(dc_);
  platform::RECT blue = Extent(kBlue);
  EXPECT_GE(blue.left, 23);
  EXPECT_GE(blue.top, 24);
  EXPECT_LE(blue.right, 122);
}

TEST_F(AppearDrawing, SingleLineTextSitsAtTheVerticalCentreOrBottom) {
  auto text = Make<TOL_VarTextAppear>();
  text->SetRect(0, 0, 200, 100);
  text->SetText("H");
  text->SetColor(kGreenRef);
  text->SetFormat(1 | 4);
  text->Draw(dc_);
  platform::RECT centred = Extent(kGreen);
  EXPECT_GT(centred.top, 30);
  EXPECT_LT(centred.bottom, 70);
  EXPECT_NEAR((centred.left + centred.right) / 2, 100, 4);

  bitmap_ = Bitmap(200, 100);
  text->SetFormat(2 | 8);
  text->Draw(dc_);
  platform::RECT bottom = Extent(kGreen);
  EXPECT_GT(bottom.bottom, 85);
  EXPECT_GT(bottom.left, 180);
}

TEST_F(AppearDrawing, TheDesignFrameIsDottedXoredAndVanishesWhenDrawnTwice) {
  auto text = Make<TOL_VarStringAppear>();  // a plain string appearance draws no text
  text->SetRect(10, 10, 30, 20);
  text->DrawFramed(dc_);
  const uint32_t grey = RgbPixel(0x80, 0x80, 0x80);
  EXPECT_EQ(bitmap_.At(10, 10), grey);
  EXPECT_EQ(bitmap_.At(12, 10), grey);
  EXPECT_EQ(bitmap_.At(13, 10), 0u);    // three on, three off
  EXPECT_EQ(bitmap_.At(30, 10), grey);  // the right side starts at its own corner
  EXPECT_EQ(bitmap_.At(30, 20), grey);
  EXPECT_EQ(bitmap_.At(20, 15), 0u);
  EXPECT_EQ(dc_.GetROP2(), platform::R2_COPYPEN);
  text->DrawFramed(dc_);
  EXPECT_EQ(bitmap_, Bitmap(200, 100));
}

TEST_F(AppearDrawing, BoxesUseTheirPenWidthAndShadow) {
  auto box = Make<TOL_VarBoxAppear>();
  box->SetRect(50, 20, 150, 80);
  box->SetPenWidth(3);
  box->SetColor(kRedRef);
  box->SetShadowColor(kBlueRef);
  box->SetShadowOffset(0, 0);
  box->Draw(dc_);
  // The outline reaches its right and bottom coordinates; a 3-pixel pen is centred on it.
  EXPECT_EQ(Extent(kRed).left, 49);
  EXPECT_EQ(Extent(kRed).right, 151);
  EXPECT_EQ(Extent(kRed).bottom, 81);
  EXPECT_EQ(bitmap_.At(100, 50), 0u);  // only the outline
  EXPECT_FALSE(Has(kBlue));

  bitmap_ = Bitmap(200, 100);
  auto fill = Make<TOL_VarBoxFillAppear>();
  fill->SetRect(50, 20, 150, 80);
  fill->SetColor(kRedRef);
  fill->SetShadowColor(kBlueRef);
  fill->SetShadowOffset(5, 5);
  EXPECT_EQ(fill->FillColor(), 0u);
  fill->SetFillColor(kGreenRef);
  fill->Draw(dc_);
  EXPECT_EQ(Extent(kGreen).left, 51);   // Rectangle: the pen on the edges of the area, the brush inside
  EXPECT_EQ(Extent(kGreen).right, 148);
  EXPECT_EQ(Extent(kRed).right, 149);
  EXPECT_EQ(bitmap_.At(152, 82), kBlue);  // the shadow shows beside and below
  EXPECT_EQ(bitmap_.At(100, 50), kGreen);
}

TEST_F(AppearDrawing, AViewDrawsVisibleChildrenWithTheFirstOnTop) {
  auto view = Make<TOL_VarView>();
  auto top = Make<TOL_VarBoxFillAppear>();
  top->SetRect(10, 10, 60, 60);
  top->SetFillColor(kRedRef);
  auto under = Make<TOL_VarBoxFillAppear>();
  under->SetRect(30, 30, 90, 90);
  under->SetFillColor(kGreenRef);
  auto hidden = Make<TOL_VarBoxFillAppear>();
  hidden->SetRect(100, 10, 150, 60);
  hidden->SetFillColor(kBlueRef);
  hidden->SetCondition("0");
  view->AddChild(top);
  view->AddChild(under);
  view->AddChild(hidden);
  view->Update(nullptr);
  dc_.SetBkMode(platform::OPAQUE);
  view->Draw(dc_);
  EXPECT_EQ(bitmap_.At(40, 40), kRed);
  EXPECT_EQ(bitmap_.At(70, 70), kGreen);
  EXPECT_FALSE(Has(kBlue));
  EXPECT_EQ(dc_.GetBkMode(), platform::OPAQUE);  // restored
  view->DrawFramed(dc_);  // every child, whatever its flag
  EXPECT_TRUE(Has(kBlue));
}

}  // namespace
}  // namespace tav::screen
