#pragma once

// A font made from a LOGFONTA: an installed outline face (found by name, with the Japanese
// Windows face names mapped to their IPA equivalents), sized and measured by the LOGFONTA height
// conventions games were laid out with, and its glyphs rendered into bitmaps.
//
// Text is Shift-JIS. A character is one byte, or two when the first is a lead byte; it is
// passed around as a code: the byte, or lead << 8 | trail.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gdi/bitmap.h"
#include "gdi/gdi_types.h"

namespace tav::platform {

// Process-wide: fonts created afterwards render 1-bit glyphs instead of anti-aliased ones
// (--mono-text). Layout is the same either way.
void SetMonochromeText(bool monochrome);
bool MonochromeText();

// The Shift-JIS characters of `sjis` as codes. A lead byte at the very end stands alone.
std::vector<uint16_t> SplitSjisChars(std::string_view sjis);
inline bool IsFullWidthCode(uint16_t code) { return code > 0xFF; }

// The installed font file a face name resolves to ("" when fontconfig finds nothing at all).
struct FontFile {
  std::string path;
  int index = 0;
};
FontFile ResolveFontFace(std::string_view sjisFaceName);

class Font {
 public:
  // nullptr, with the reason in *error, when no usable face can be found or loaded.
  static std::shared_ptr<const Font> Create(const LOGFONTA& logFont, std::string* error = nullptr);
  static std::shared_ptr<const Font> Create(const LOGFONTA& logFont, bool monochrome,
                                            std::string* error = nullptr);
  // A cell height of 16 in the default Japanese face; nullptr when none is installed.
  static std::shared_ptr<const Font> Default();
  // One font per distinct description (the same 60 bytes, in the current text mode), kept for
  // the process: screens copy their fonts every time they are made, and a shared font keeps its
  // rendered glyphs. Falls back to Default() when no face can serve the description.
  static std::shared_ptr<const Font> Shared(const LOGFONTA& logFont);

  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // Exactly the bytes the font was created from.
  const LOGFONTA& LogFont() const;
  int Height() const;  // tmHeight = Ascent() + Descent()
  int Ascent() const;
  int Descent() const;
  bool Monochrome() const;

  // Whole-pixel advance of one character; control characters (below 0x20) have none.
  int Advance(uint16_t code) const;
  int Width(std::string_view sjis) const;

  // Draws one run with its cell top at y and the pen starting at x, in `pixel` (0x00RRGGBB),
  // lighting only glyph pixels (and underline / strike-out), inside `clip` and the bitmap.
  // Returns the run's width.
  int DrawRun(Bitmap& target, const RECT& clip, int x, int y, const std::vector<uint16_t>& codes,
              uint32_t pixel) const;

  // Not thread-safe: one thread draws with a font at a time (its glyph cache fills as it goes).
 private:
  struct Impl;
  explicit Font(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tav::platform
