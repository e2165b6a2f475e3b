#include "gdi/gdi_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <atomic>
#include <map>
#include <mutex>
#include <unordered_map>

#include "os/diagnostics.h"
#include "gdi/font_match.h"
#include "gdi/glyph_blend.h"
#include "encoding/sjis.h"

namespace tav::platform {
namespace {

std::atomic<bool> monochromeText{false};

// One FreeType library for the process. Creating and freeing faces goes through the library,
// which is not thread-safe, hence the lock; a face once made belongs to one Font.
struct FreeTypeLibrary {
  FT_Library library = nullptr;
  std::mutex mutex;
  FreeTypeLibrary() {
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
  }
  ~FreeTypeLibrary() {
    if (library) FT_Done_FreeType(library);
  }
  static FreeTypeLibrary& Get() {
    static FreeTypeLibrary instance;
    return instance;
  }
};

struct FaceCloser {
  void operator()(FT_Face face) const {
    std::lock_guard lock(FreeTypeLibrary::Get().mutex);
    FT_Done_Face(face);
  }
};
using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceCloser>;

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char32_t value = extra == 0 ? c : c & (0x3F >> extra);
    size_t j = i + 1;
    for (int k = 0; k < extra && j < text.size(); ++k, ++j) {
      value = value << 6 | (static_cast<unsigned char>(text[j]) & 0x3F);
    }
    out.push_back(value);
    i = j;
  }
  return out;
}

// Face names are compared without spaces (half- or full-width), with full-width Latin letters
// folded to ASCII and ASCII upper-cased, so "ＭＳ Ｐゴシック", "MS PGothic" and "MSPゴシック" agree.
std::u32string NormaliseFaceName(std::string_view sjis) {
  std::u32string out;
  for (char32_t c : DecodeUtf8(SjisToUtf8(sjis))) {
    if (c == U' ' || c == U'\u3000') continue;
    if (c >= 0xFF01 && c <= 0xFF5E) c -= 0xFEE0;
    if (c >= U'a' && c <= U'z') c -= 0x20;
    out.push_back(c);
  }
  return out;
}

const char* MappedFamily(const std::u32string& name) {
  static const std::pair<std::u32string_view, const char*> kMap[] = {
      {U"MSPゴシック", "IPAPGothic"}, {U"MSPGOTHIC", "IPAPGothic"},
      {U"MSゴシック", "IPAGothic"},   {U"MSGOTHIC", "IPAGothic"},
      {U"MSP明朝", "IPAPMincho"},     {U"MSPMINCHO", "IPAPMincho"},
      {U"MS明朝", "IPAMincho"},       {U"MSMINCHO", "IPAMincho"},
  };
  for (const auto& [windowsName, family] : kMap) {
    if (name == windowsName) return family;
  }
  return nullptr;
}

int RoundHalfUp(int64_t numerator, int64_t denominator) {
  return static_cast<int>((2 * numerator + denominator) / (2 * denominator));
}

struct Glyph {
  int advance = 0;
  int left = 0;  // bitmap offset from the pen position
  int top = 0;   // rows above the baseline
  int width = 0;
  int height = 0;
  // Rows of width values 0 … 255, each padded with zeros to `stride`, a multiple of four: the
  // blend then takes a row in whole steps of four pixels, the padding leaving pixels unchanged.
  int stride = 0;
  std::vector<uint8_t> coverage;  // stride·height
};

}  // namespace

void SetMonochromeText(bool monochrome) { monochromeText = monochrome; }
bool MonochromeText() { return monochromeText; }

std::vector<uint16_t> SplitSjisChars(std::string_view sjis) {
  std::vector<uint16_t> codes;
  codes.reserve(sjis.size());
  for (size_t i = 0; i < sjis.size(); ++i) {
    auto c = static_cast<unsigned char>(sjis[i]);
    if (IsSjisLeadByte(c) && i + 1 < sjis.size()) {
      codes.push_back(static_cast<uint16_t>(c << 8 | static_cast<unsigned char>(sjis[i + 1])));
      ++i;
    } else {
      codes.push_back(c);
    }
  }
  return codes;
}

FontFile ResolveFontFace(std::string_view sjisFaceName) {
  static std::mutex mutex;
  static std::map<std::u32string, FontFile> cache;
  std::u32string name = NormaliseFaceName(sjisFaceName);
  std::lock_guard lock(mutex);
  if (auto it = cache.find(name); it != cache.end()) return it->second;
  const char* mapped = MappedFamily(name);
  FontFile file = MatchInstalledFont(mapped ? std::string(mapped) : SjisToUtf8(sjisFaceName));
  cache.emplace(name, file);
  // Once per face name: authors see which installed font stands in for the one a game asked for.
  Diagnose(Severity::Info, "",
           "font \"" + SjisToUtf8(sjisFaceName) + "\" resolves to " + (file.path.empty() ? "nothing" : file.path));
  return file;
}

struct Font::Impl {
  LOGFONTA logFont;
  FacePtr face;
  int ascent = 0;
  int descent = 0;
  bool monochrome = false;
  bool emboldened = false;
  bool underline = false;
  bool strikeOut = false;
  mutable std::unordered_map<uint16_t, Glyph> glyphs;
  // The single-byte characters (most Latin text) found without hashing; the map's elements
  // never move, so the pointers stay good.
  mutable std::array<const Glyph*, 256> narrow{};

  const Glyph& GlyphFor(uint16_t code) const {
    if (code > 0xFF) return Rendered(code);
    const Glyph*& known = narrow[code];
    if (!known) known = &Rendered(code);
    return *known;
  }

  // The glyph from the map, rendered the first time it is asked for.
  const Glyph& Rendered(uint16_t code) const {
    auto [it, inserted] = glyphs.try_emplace(code);
    if (!inserted) return it->second;
    Glyph& glyph = it->second;
    if (code < 0x20) return glyph;
    char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    std::string_view sjis = code > 0xFF ? std::string_view(bytes, 2) : std::string_view(bytes + 1, 1);
    std::u32string text = DecodeUtf8(SjisToUtf8(sjis));
    char32_t codePoint = text.empty() ? U'?' : text[0];
    // Light hinting keeps advances the same in both modes; only the rasterisation differs.
    FT_UInt index = FT_Get_Char_Index(face.get(), codePoint);
    if (FT_Load_Glyph(face.get(), index, FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP) != 0) return glyph;
    FT_GlyphSlot slot = face->glyph;
    glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6) + (emboldened ? 1 : 0);
    if (FT_Render_Glyph(slot, monochrome ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_LIGHT) != 0) return glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.height = static_cast<int>(bitmap.rows);
    glyph.stride = (glyph.width + 3) & ~3;
    glyph.coverage.assign(static_cast<size_t>(glyph.stride) * glyph.height, 0);
    for (int row = 0; row < glyph.height; ++row) {
      const unsigned char* source = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
      uint8_t* out = glyph.coverage.data() + static_cast<size_t>(row) * glyph.stride;
      for (int x = 0; x < glyph.width; ++x) {
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
          out[x] = (source[x >> 3] >> (7 - (x & 7)) & 1) ? 255 : 0;
        } else {
          out[x] = source[x];
        }
      }
    }
    return glyph;
  }
};

Font::Font(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Font::~Font() = default;

std::shared_ptr<const Font> Font::Create(const LOGFONTA& logFont, std::string* error) {
  return Create(logFont, MonochromeText(), error);
}

std::shared_ptr<const Font> Font::Create(const LOGFONTA& logFont, bool monochrome, std::string* error) {
  auto fail = [&](std::string message) -> std::shared_ptr<const Font> {
    if (error) *error = std::move(message);
    return nullptr;
  };
  FontFile file = ResolveFontFace(logFont.FaceName());
  if (file.path.empty()) return fail("no installed font matches \"" + SjisToUtf8(logFont.FaceName()) + "\"");
  FreeTypeLibrary& freeType = FreeTypeLibrary::Get();
  if (!freeType.library) return fail("FreeType could not be initialised");
  FT_Face rawFace = nullptr;
  {
    std::lock_guard lock(freeType.mutex);
    if (FT_New_Face(freeType.library, file.path.c_str(), file.index, &rawFace) != 0) {
      return fail("cannot load font file " + file.path);
    }
  }
  auto impl = std::make_unique<Impl>();
  impl->face.reset(rawFace);
  impl->logFont = logFont;
  impl->monochrome = monochrome;
  impl->underline = logFont.lfUnderline != 0;
  impl->strikeOut = logFont.lfStrikeOut != 0;
  impl->emboldened = logFont.lfWeight >= 600 && !(rawFace->style_flags & FT_STYLE_FLAG_BOLD);
  if (!FT_IS_SCALABLE(rawFace) || rawFace->units_per_EM == 0) return fail("font file " + file.path + " is not scalable");

  int64_t unitsPerEm = rawFace->units_per_EM;
  int64_t ascender = rawFace->ascender;
  int64_t descender = -static_cast<int64_t>(rawFace->descender);
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(rawFace, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF) {
    ascender = os2->usWinAscent;
    descender = os2->usWinDescent;
  }
  if (ascender < 0) ascender = 0;
  if (descender < 0) descender = 0;
  if (ascender + descender == 0) return fail("font file " + file.path + " has no vertical metrics");

  // Heights beyond any sensible size are limited so that FreeType's 26.6 sizes cannot overflow.
  int64_t height = std::clamp<int64_t>(logFont.lfHeight == 0 ? 16 : logFont.lfHeight, -4096, 4096);
  FT_F26Dot6 charSize = 0;
  if (height < 0) {
    int64_t ppem = -height;
    charSize = static_cast<FT_F26Dot6>(ppem * 64);
    impl->ascent = RoundHalfUp(ascender * ppem, unitsPerEm);
    impl->descent = RoundHalfUp(descender * ppem, unitsPerEm);
  } else {
    charSize = RoundHalfUp(height * unitsPerEm * 64, ascender + descender);
    impl->ascent = RoundHalfUp(height * ascender, ascender + descender);
    impl->descent = static_cast<int>(height) - impl->ascent;
  }
  if (FT_Set_Char_Size(rawFace, 0, std::max<FT_F26Dot6>(charSize, 1), 72, 72) != 0) {
    return fail("font file " + file.path + " cannot be sized");
  }
  if (logFont.lfItalic && !(rawFace->style_flags & FT_STYLE_FLAG_ITALIC)) {
    FT_Matrix shear{0x10000, 0x10000 / 5, 0, 0x10000};  // x += y / 5
    FT_Set_Transform(rawFace, &shear, nullptr);
  }
  return std::shared_ptr<const Font>(new Font(std::move(impl)));
}

std::shared_ptr<const Font> Font::Default() {
  FreeTypeLibrary::Get();  // constructed first, destroyed after the default font
  static const std::shared_ptr<const Font> font = [] {
    LOGFONTA logFont;
    logFont.lfCharSet = SHIFTJIS_CHARSET;
    return Create(logFont);
  }();
  return font;
}

std::shared_ptr<const Font> Font::Shared(const LOGFONTA& logFont) {
  // The library is made before the cache so that it is destroyed after it at exit: the cached
  // fonts close their faces with it.
  FreeTypeLibrary::Get();
  static std::mutex mutex;
  static std::map<std::pair<std::string, bool>, std::shared_ptr<const Font>> fonts;
  const bool monochrome = MonochromeText();
  std::pair<std::string, bool> key{std::string(reinterpret_cast<const char*>(&logFont), sizeof logFont), monochrome};
  {
    std::lock_guard lock(mutex);
    if (auto it = fonts.find(key); it != fonts.end()) return it->second;
  }
  std::shared_ptr<const Font> font = Create(logFont, monochrome);
  if (!font) font = Default();
  std::lock_guard lock(mutex);
  return fonts.emplace(std::move(key), std::move(font)).first->second;
}

const LOGFONTA& Font::LogFont() const { return impl_->logFont; }
int Font::Height() const { return impl_->ascent + impl_->descent; }
int Font::Ascent() const { return impl_->ascent; }
int Font::Descent() const { return impl_->descent; }
bool Font::Monochrome() const { return impl_->monochrome; }

int Font::Advance(uint16_t code) const { return impl_->GlyphFor(code).advance; }

int Font::Width(std::string_view sjis) const {
  int width = 0;
  for (uint16_t code : SplitSjisChars(sjis)) width += Advance(code);
  return width;
}

int Font::DrawRun(Bitmap& target, const RECT& clip, int x, int y, const std::vector<uint16_t>& codes,
                  uint32_t pixel) const {
  int64_t left = std::max<int64_t>(clip.left, 0);
  int64_t top = std::max<int64_t>(clip.top, 0);
  int64_t right = std::min<int64_t>(clip.right, target.Width());
  int64_t bottom = std::min<int64_t>(clip.bottom, target.Height());
  int64_t baseline = int64_t{y} + impl_->ascent;
  int64_t pen = x;
  auto plotGlyph = [&](const Glyph& glyph, int64_t originX) {
    int64_t gx = originX + glyph.left;
    int64_t gy = baseline - glyph.top;
    int64_t rowFrom = std::max<int64_t>(0, top - gy), rowTo = std::min<int64_t>(glyph.height, bottom - gy);
    int64_t colFrom = std::max<int64_t>(0, left - gx), colTo = std::min<int64_t>(glyph.width, right - gx);
    if (colFrom >= colTo) return;
    // The row's padding is blended too when those pixels lie inside the clip: its coverage of 0
    // leaves them as they are.
    int64_t count = colTo - colFrom;
    if (int64_t padded = (count + 3) & ~int64_t{3}; colFrom + padded <= glyph.stride && gx + colFrom + padded <= right) {
      count = padded;
    }
    if (rowFrom >= rowTo) return;
    BlendCoverage(target.Row(static_cast<int>(gy + rowFrom)) + gx + colFrom, static_cast<size_t>(target.Width()),
                  glyph.coverage.data() + rowFrom * glyph.stride + colFrom, static_cast<size_t>(glyph.stride),
                  static_cast<size_t>(count), static_cast<size_t>(rowTo - rowFrom), pixel);
  };
  for (uint16_t code : codes) {
    const Glyph& glyph = impl_->GlyphFor(code);
    plotGlyph(glyph, pen);
    if (impl_->emboldened) plotGlyph(glyph, pen + 1);
    pen += glyph.advance;
  }
  int width = static_cast<int>(pen - x);
  auto rule = [&](int64_t row) {
    if (row < top || row >= bottom) return;
    for (int64_t col = std::max<int64_t>(x, left); col < std::min<int64_t>(pen, right); ++col) {
      target.At(static_cast<int>(col), static_cast<int>(row)) = pixel;
    }
  };
  if (impl_->underline) rule(baseline + 1);
  if (impl_->strikeOut) rule(baseline - impl_->ascent / 3);
  return width;
}

}  // namespace tav::platform
