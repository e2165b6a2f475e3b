#pragma once

// A device context drawing into a Bitmap: the selected pen, brush, font and bitmap, the colours
// and modes, a clip rectangle, the current position and a stack of saved states, with the
// drawing calls the engine makes. Each call lights exactly the pixels the GDI drawing rules give
// (see the notes on GDI drawing), so stored views look as their authors drew them; coordinates
// may lie far outside the bitmap.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "gdi/bitmap.h"
#include "gdi/gdi_font.h"
#include "gdi/gdi_types.h"

namespace tav::platform {

// Width 0 or 1 is a one-pixel (cosmetic) pen; 2 or more a round-ended wide pen (solid only).
struct Pen {
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = RGB(0, 0, 0);
  bool operator==(const Pen&) const = default;
};
inline Pen CreatePen(int style, int width, COLORREF color) { return {style, width < 0 ? -width : width, color}; }

// A solid brush, or a hollow one that fills nothing.
struct Brush {
  COLORREF color = RGB(255, 255, 255);
  bool hollow = false;
  bool operator==(const Brush&) const = default;
};
inline Brush CreateSolidBrush(COLORREF color) { return {color, false}; }
inline Brush HollowBrush() { return {0, true}; }

class DeviceContext {
 public:
  // The bitmap is not owned: it must outlive its selection (like a memory DC's bitmap).
  explicit DeviceContext(Bitmap* bitmap = nullptr);

  // Selection returns what was selected before. A null font selects the default font.
  Bitmap* SelectBitmap(Bitmap* bitmap);
  Pen SelectPen(const Pen& pen);
  Brush SelectBrush(const Brush& brush);
  std::shared_ptr<const Font> SelectFont(std::shared_ptr<const Font> font);
  Bitmap* SelectedBitmap() const { return state_.bitmap; }
  const Pen& SelectedPen() const { return state_.pen; }
  const Brush& SelectedBrush() const { return state_.brush; }
  // The default font when none was selected; null only when no font is installed at all.
  std::shared_ptr<const Font> SelectedFont() const;

  // Each returns the previous value.
  COLORREF SetTextColor(COLORREF color);
  COLORREF SetBkColor(COLORREF color);
  int SetBkMode(int mode);    // TRANSPARENT or OPAQUE
  int SetROP2(int mix);       // R2_COPYPEN or R2_XORPEN; anything else is refused (returns 0)
  COLORREF GetTextColor() const { return state_.textColor; }
  COLORREF GetBkColor() const { return state_.bkColor; }
  int GetBkMode() const { return state_.bkMode; }
  int GetROP2() const { return state_.mix; }

  // Clipping: the clip region is a rectangle (intersections of rectangles stay rectangles).
  void IntersectClipRect(int left, int top, int right, int bottom);
  void RemoveClip();
  std::optional<RECT> ClipRect() const { return state_.clip; }
  // What drawing may touch: the bitmap bounds within the clip rectangle.
  RECT DrawableArea() const;

  int SaveDC();
  bool RestoreDC(int which);

  POINT MoveTo(int x, int y);  // returns the previous position
  POINT CurrentPosition() const { return state_.position; }
  void LineTo(int x, int y);
  void Rectangle(int left, int top, int right, int bottom);
  void Polygon(std::span<const POINT> points);
  void FillRect(const RECT& rect, const Brush& brush);
  // SRCCOPY: the only raster operation the engine uses. False when either DC has no bitmap.
  bool BitBlt(int x, int y, int width, int height, const DeviceContext& source, int sourceX, int sourceY);

  // One run of text with its cell top-left at (x, y), in the text colour; in OPAQUE mode its
  // cell box is filled with the background colour first. `extraClip` further limits it.
  // Returns the run's width.
  int TextOut(int x, int y, std::string_view sjis);
  int DrawTextRun(int x, int y, const std::vector<uint16_t>& codes, const RECT* extraClip);

  // Spans of row y, columns from … to - 1, clipped to DrawableArea(): through the mix mode, or
  // copied regardless of it (fills and text backgrounds).
  void MixSpan(int64_t y, int64_t from, int64_t to, COLORREF color);
  void CopySpan(int64_t y, int64_t from, int64_t to, COLORREF color);

 private:
  struct State {
    Bitmap* bitmap = nullptr;
    Pen pen;
    Brush brush;
    std::shared_ptr<const Font> font;
    std::optional<RECT> clip;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int mix = R2_COPYPEN;
    POINT position;
  };

  // Cosmetic line pixels i = first … last - 1 of the line (x0, y0) -> (x1, y1), the dot pattern
  // counting from `patternStart` at i = 0.
  void CosmeticLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t patternStart);
  void PenPixel(int64_t x, int64_t y, int64_t patternIndex);  // (x, y) already clipped
  void WidePath(std::span<const POINT> path, bool closed);

  State state_;
  std::vector<State> saved_;
};

}  // namespace tav::platform
