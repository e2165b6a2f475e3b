#pragma once

// DrawText: Shift-JIS text laid out in a rectangle (prefix "&", line breaks, word wrapping,
// alignment) and drawn clipped to it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gdi/gdi_dc.h"
#include "gdi/gdi_font.h"
#include "gdi/gdi_types.h"

namespace tav::platform {

struct TextLine {
  std::vector<uint16_t> codes;  // the characters drawn, "&" prefixes already removed
  int x = 0;                    // left of the run
  int top = 0;                  // top of its cell
  int width = 0;
  int underlined = -1;          // index in codes of the character underlined by a prefix, or -1
};

// The lines DrawTextA draws, in order: only those up to the first that reaches below the
// rectangle. Flags: DT_LEFT/DT_CENTER/DT_RIGHT, DT_WORDBREAK, DT_SINGLELINE with DT_VCENTER or
// DT_BOTTOM; others are ignored.
std::vector<TextLine> LayoutDrawText(const Font& font, std::string_view sjis, const RECT& rect, unsigned flags);

// Draws with the DC's font, text colour and background mode, clipped to `rect` and the DC's
// clip. Returns the height from rect.top to the bottom of the last line drawn (0 for none).
int DrawTextA(DeviceContext& dc, std::string_view sjis, const RECT& rect, unsigned flags);

// DrawTextA for a caller that draws the same text in the same place again and again (a screen's
// text appearance at every refresh): the lines are laid out anew only when the DC's font, the
// text, the rectangle or the flags differ from the last call. Draws exactly what DrawTextA draws.
class DrawTextCache {
 public:
  int Draw(DeviceContext& dc, std::string_view sjis, const RECT& rect, unsigned flags);

 private:
  std::shared_ptr<const Font> font_;  // held, so no other font can take its place unnoticed
  std::string text_;
  RECT rect_;
  unsigned flags_ = 0;
  std::vector<TextLine> lines_;
};

}  // namespace tav::platform
