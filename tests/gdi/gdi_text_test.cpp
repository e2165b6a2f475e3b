#include <gtest/gtest.h>

#include <algorithm>

#include "gdi_test_support.h"
#include "gdi/gdi_font.h"
#include "gdi/gdi_text.h"
#include "encoding/sjis.h"

namespace tav::platform {
namespace {

using testing::Canvas;

constexpr uint32_t kGrey = 0x404040;

std::shared_ptr<const Font> MakeFont(int height, std::string_view utf8Face = "ＭＳ ゴシック", bool mono = false,
                                     int weight = FW_NORMAL, bool underline = false) {
  LOGFONTA logFont;
  logFont.lfHeight = height;
  logFont.lfWeight = weight;
  logFont.lfUnderline = underline;
  logFont.lfCharSet = SHIFTJIS_CHARSET;
  logFont.SetFaceName(Utf8ToSjis(utf8Face));
  std::string error;
  auto font = Font::Create(logFont, mono, &error);
  EXPECT_TRUE(font) << error;
  return font;
}

// The smallest rectangle holding every pixel that is not `background`.
RECT InkBounds(const Bitmap& bitmap, uint32_t background) {
  RECT ink{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      if (bitmap.At(x, y) == background) continue;
      ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1), std::max(ink.bottom, y + 1)};
    }
  }
  return ink;
}

std::string Joined(const std::vector<TextLine>& lines) {
  std::string out;
  for (const TextLine& line : lines) {
    for (uint16_t code : line.codes) {
      if (code > 0xFF) out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    }
    out += '|';
  }
  return SjisToUtf8(out);
}

TEST(GdiFont, JapaneseWindowsFaceNamesMapToTheirInstalledEquivalents) {
  FontFile pGothic = ResolveFontFace(Utf8ToSjis("ＭＳ Ｐゴシック"));
  EXPECT_NE(pGothic.path.find("ipagp"), std::string::npos) << pGothic.path;
  EXPECT_EQ(ResolveFontFace("MS PGothic").path, pGothic.path);
  FontFile gothic = ResolveFontFace(Utf8ToSjis("ＭＳ ゴシック"));
  EXPECT_EQ(ResolveFontFace("MS Gothic").path, gothic.path);
  EXPECT_NE(gothic.path, pGothic.path);
  EXPECT_NE(ResolveFontFace(Utf8ToSjis("ＭＳ 明朝")).path, gothic.path);
  EXPECT_NE(ResolveFontFace(Utf8ToSjis("ＭＳ Ｐ明朝")).path, ResolveFontFace(Utf8ToSjis("ＭＳ 明朝")).path);
  EXPECT_FALSE(ResolveFontFace("No Such Face 12345").path.empty());
}

TEST(GdiFont, NegativeHeightIsTheCharacterHeightAndPositiveTheCellHeight) {
  auto character = MakeFont(-16);
  ASSERT_TRUE(character);
  EXPECT_EQ(character->Advance(0x82A0), 16);  // a full-width kana is one em wide
  EXPECT_EQ(character->Height(), character->Ascent() + character->Descent());
  EXPECT_GE(character->Height(), 16);
  auto cell = MakeFont(20);
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->Height(), 20);
  EXPECT_LT(cell->Advance(0x82A0), 20);
  auto fallback = MakeFont(0);
  ASSERT_TRUE(fallback);
  EXPECT_EQ(fallback->Height(), 16);
  EXPECT_EQ(character->LogFont().lfHeight, -16);
  EXPECT_EQ(character->Advance('\t'), 0);
  EXPECT_EQ(MakeFont(-16, "ＭＳ ゴシック", false, FW_BOLD)->Advance(0x82A0), 17);
}

TEST(GdiText, RunsDrawInTheTextColourWithAnOpaqueOrTransparentBackground) {
  auto font = MakeFont(-16);
  ASSERT_TRUE(font);
  Canvas canvas(80, 30, kGrey);
  canvas.dc.SelectFont(font);
  canvas.dc.SetTextColor(RGB(255, 255, 255));
  canvas.dc.SetBkColor(RGB(0, 0, 255));
  int width = canvas.dc.TextOut(5, 4, Utf8ToSjis("漢字"));
  EXPECT_EQ(width, 32);
  EXPECT_EQ(InkBounds(canvas.bitmap, kGrey), (RECT{5, 4, 37, 4 + font->Height()}));

  Canvas transparent(80, 30, kGrey);
  transparent.dc.SelectFont(font);
  transparent.dc.SetBkMode(TRANSPARENT);
  transparent.dc.SetTextColor(RGB(255, 255, 255));
  transparent.dc.TextOut(5, 4, Utf8ToSjis("漢字"));
  RECT ink = InkBounds(transparent.bitmap, kGrey);
  EXPECT_GE(ink.left, 5);
  EXPECT_LE(ink.right, 37);
  EXPECT_GT(ink.top, 4 - 1);
  EXPECT_LT(ink.bottom, 4 + font->Height() + 1);
  const uint32_t* pixels = transparent.bitmap.Data();
  EXPECT_GT(std::count_if(pixels, pixels + 80 * 30, [](uint32_t p) { return p != kGrey; }), 40);
  EXPECT_GT(std::count(pixels, pixels + 80 * 30, RgbPixel(255, 255, 255)), 0);
}

TEST(GdiText, MonochromeTextHasOnlyFullPixelsAndTheSameLayout) {
  auto smooth = MakeFont(-13, "ＭＳ Ｐゴシック", false);
  auto mono = MakeFont(-13, "ＭＳ Ｐゴシック", true);
  ASSERT_TRUE(smooth && mono);
  std::string text = Utf8ToSjis("あいうえお Hello, world! テスト");
  EXPECT_EQ(smooth->Width(text), mono->Width(text));
  Canvas canvas(300, 20, 0);
  canvas.dc.SelectFont(mono);
  canvas.dc.SetBkMode(TRANSPARENT);
  canvas.dc.SetTextColor(RGB(255, 255, 255));
  canvas.dc.TextOut(0, 0, text);
  for (int i = 0; i < 300 * 20; ++i) {
    uint32_t pixel = canvas.bitmap.Data()[i];
    ASSERT_TRUE(pixel == 0 || pixel == 0xFFFFFF) << std::hex << pixel;
  }
}

TEST(GdiText, AlignmentPlacesTheLineBoxAndTheInkFollows) {
  auto font = MakeFont(-16);
  ASSERT_TRUE(font);
  std::string text = Utf8ToSjis("あいう");
  const RECT rect{10, 5, 111, 55};
  struct Case {
    unsigned flags;
    int x;
    int top;
  } cases[] = {
      {DT_LEFT, 10, 5},
      {DT_RIGHT, 111 - 48, 5},
      {DT_CENTER, (10 + 111 - 48) / 2, 5},
      {DT_SINGLELINE | DT_VCENTER | DT_CENTER, (10 + 111 - 48) / 2, 5 + 50 / 2 - font->Height() / 2},
      {DT_SINGLELINE | DT_BOTTOM | DT_RIGHT, 111 - 48, 55 - font->Height()},
      {DT_VCENTER, 10, 5},  // without DT_SINGLELINE vertical placement is ignored
  };
  for (const Case& c : cases) {
    auto lines = LayoutDrawText(*font, text, rect, c.flags);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].x, c.x) << c.flags;
    EXPECT_EQ(lines[0].top, c.top) << c.flags;
    EXPECT_EQ(lines[0].width, 48);

    Canvas canvas(130, 70, kGrey);
    canvas.dc.SelectFont(font);
    canvas.dc.SetBkMode(TRANSPARENT);
    EXPECT_EQ(DrawTextA(canvas.dc, text, rect, c.flags), c.top + font->Height() - rect.top);
    RECT ink = InkBounds(canvas.bitmap, kGrey);
    EXPECT_GE(ink.left, c.x);
    EXPECT_LE(ink.left, c.x + 3) << c.flags;
    EXPECT_LE(ink.right, c.x + 48);
    EXPECT_GE(ink.right, c.x + 45) << c.flags;
    EXPECT_GE(ink.top, c.top);
    EXPECT_LE(ink.bottom, c.top + font->Height());
  }
}

TEST(GdiText, WordBreakNeverSplitsADoubleByteCharacter) {
  auto font = MakeFont(-16);
  ASSERT_TRUE(font);
  // 表 is 0x95 0x5C: its trail byte is a backslash.
  std::string text = Utf8ToSjis("表示する文字表示する文字");
  auto lines = LayoutDrawText(*font, text, {0, 0, 56, 400}, DT_WORDBREAK);
  EXPECT_EQ(Joined(lines), "表示す|る文字|表示す|る文字|");
  EXPECT_EQ(lines[1].top, font->Height());
  EXPECT_EQ(lines[0].codes[0], 0x955C);
  // Narrower than one character: one character per line, overflowing.
  EXPECT_EQ(Joined(LayoutDrawText(*font, Utf8ToSjis("表示"), {0, 0, 5, 400}, DT_WORDBREAK)), "表|示|");
  // DT_SINGLELINE cancels the wrapping.
  EXPECT_EQ(LayoutDrawText(*font, text, {0, 0, 56, 400}, DT_WORDBREAK | DT_SINGLELINE | DT_CENTER).size(), 1u);
}

TEST(GdiText, LatinWordsBreakAtSpacesAndOverflowWhole) {
  auto font = MakeFont(-16, "ＭＳ ゴシック");  // half-width characters are 8 pixels wide
  ASSERT_TRUE(font);
  ASSERT_EQ(font->Width("abcd"), 32);
  EXPECT_EQ(Joined(LayoutDrawText(*font, "ab cd efgh", {0, 0, 48, 400}, DT_WORDBREAK)), "ab cd |efgh|");
  // Centred or right-aligned lines leave the breaking space off.
  auto centred = LayoutDrawText(*font, "ab cd efgh", {0, 0, 48, 400}, DT_WORDBREAK | DT_CENTER);
  EXPECT_EQ(Joined(centred), "ab cd|efgh|");
  EXPECT_EQ(centred[0].x, (48 - 40) / 2);
  // A word longer than the line is never split; the space after it is dropped.
  EXPECT_EQ(Joined(LayoutDrawText(*font, "abcdefghij kl", {0, 0, 30, 400}, DT_WORDBREAK)), "abcdefghij|kl|");
  // Japanese after Latin: a break may follow any full-width character.
  EXPECT_EQ(Joined(LayoutDrawText(*font, Utf8ToSjis("abあいう"), {0, 0, 40, 400}, DT_WORDBREAK)), "abあ|いう|");
}

TEST(GdiText, PrefixesAndLineBreaks) {
  auto font = MakeFont(-16);
  ASSERT_TRUE(font);
  auto lines = LayoutDrawText(*font, "&File a&&b c&", {0, 0, 400, 400}, DT_LEFT);
  EXPECT_EQ(Joined(lines), "File a&b c&|");
  EXPECT_EQ(lines[0].underlined, 0);
  EXPECT_EQ(Joined(LayoutDrawText(*font, "a\r\nb\n\rc\r\rd\n", {0, 0, 400, 400}, DT_LEFT)), "a|b|c||d|");
  auto single = LayoutDrawText(*font, "a\r\nb", {0, 0, 400, 400}, DT_SINGLELINE);
  ASSERT_EQ(single.size(), 1u);
  EXPECT_EQ(single[0].width, font->Width("ab"));
  EXPECT_TRUE(LayoutDrawText(*font, "", {0, 0, 400, 400}, DT_LEFT).empty());

  Canvas canvas(100, 40, 0);
  canvas.dc.SelectFont(font);
  canvas.dc.SetBkMode(TRANSPARENT);
  canvas.dc.SetTextColor(RGB(255, 0, 0));
  DrawTextA(canvas.dc, "x&y", {10, 10, 100, 40}, DT_LEFT);
  int row = 10 + font->Ascent() + 1;
  int yLeft = 10 + font->Advance('x');
  for (int x = yLeft; x < yLeft + font->Advance('y') - 1; ++x) EXPECT_EQ(canvas.bitmap.At(x, row), RgbPixel(255, 0, 0));
}

TEST(GdiText, DrawTextNeverLeavesItsRectangleAndStopsAfterTheFirstLineBelowIt) {
  auto font = MakeFont(-16);
  ASSERT_TRUE(font);
  const RECT rect{20, 10, 60, 10 + font->Height() + font->Height() / 2};
  std::string text = Utf8ToSjis("あいうえおかきくけこさしすせそ");
  auto lines = LayoutDrawText(*font, text, rect, DT_WORDBREAK);
  EXPECT_EQ(lines.size(), 2u);

  Canvas canvas(100, 80, kGrey);
  canvas.dc.SelectFont(font);  // OPAQUE: the cell boxes are painted too, but only inside
  DrawTextA(canvas.dc, text, rect, DT_WORDBREAK | DT_CENTER);
  DrawTextA(canvas.dc, Utf8ToSjis("はみだす長い一行"), rect, DT_SINGLELINE | DT_RIGHT);
  RECT ink = InkBounds(canvas.bitmap, kGrey);
  EXPECT_GE(ink.left, rect.left);
  EXPECT_GE(ink.top, rect.top);
  EXPECT_LE(ink.right, rect.right);
  EXPECT_LE(ink.bottom, rect.bottom);
  EXPECT_EQ(ink.bottom, rect.bottom);  // the second line is cut, not dropped

  // The DC's clip region bounds it as well.
  Canvas clipped(100, 80, kGrey);
  clipped.dc.SelectFont(font);
  clipped.dc.IntersectClipRect(0, 0, 35, 80);
  DrawTextA(clipped.dc, text, rect, DT_WORDBREAK);
  EXPECT_EQ(InkBounds(clipped.bitmap, kGrey).right, 35);
}

// A cache kept across draws lays the text out again whenever anything it depends on changed:
// after each change it draws exactly what DrawTextA draws.
TEST(GdiText, CachedLinesDrawWhatDrawTextDrawsAfterEveryChange) {
  auto gothic = MakeFont(-16);
  auto mincho = MakeFont(-20, "ＭＳ 明朝");
  ASSERT_TRUE(gothic && mincho);
  struct Call {
    std::shared_ptr<const Font> font;
    std::string text;
    RECT rect;
    unsigned flags;
  };
  const std::string text = Utf8ToSjis("勇者は&宝箱を開けた。 Attack  Run");
  const RECT rect{10, 5, 110, 60};
  const std::string longer = text + "!";
  const RECT narrower{12, 5, 90, 60};
  const Call calls[] = {
      {gothic, text, rect, DT_WORDBREAK},
      {gothic, text, rect, DT_WORDBREAK},                       // nothing changed
      {gothic, longer, rect, DT_WORDBREAK},                     // then one thing at a time: the text,
      {gothic, longer, narrower, DT_WORDBREAK},                 // the rectangle,
      {gothic, longer, narrower, DT_WORDBREAK | DT_RIGHT},      // the flags,
      {mincho, longer, narrower, DT_WORDBREAK | DT_RIGHT},      // the font
      {mincho, "", narrower, DT_WORDBREAK | DT_RIGHT},          // and no text at all
      {gothic, text, rect, DT_SINGLELINE | DT_VCENTER | DT_CENTER},
  };
  DrawTextCache cache;
  for (const Call& call : calls) {
    Canvas cached(130, 70), plain(130, 70);
    for (Canvas* canvas : {&cached, &plain}) {
      canvas->dc.SelectFont(call.font);
      canvas->dc.SetTextColor(RGB(255, 255, 255));
    }
    const int height = cache.Draw(cached.dc, call.text, call.rect, call.flags);
    EXPECT_EQ(height, DrawTextA(plain.dc, call.text, call.rect, call.flags));
    EXPECT_TRUE(cached.bitmap == plain.bitmap) << SjisToUtf8(call.text) << " flags " << call.flags;
  }
}

}  // namespace
}  // namespace tav::platform
