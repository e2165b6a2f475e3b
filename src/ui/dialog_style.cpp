#include "ui/dialog_style.h"

#include <algorithm>

#include "gdi/gdi_text.h"
#include "encoding/sjis.h"

namespace tav::platform::dialog_style {
namespace {

void HLine(DeviceContext& dc, int left, int right, int y, COLORREF color) {
  if (left < right) dc.CopySpan(y, left, right, color);
}

void VLine(DeviceContext& dc, int x, int top, int bottom, COLORREF color) {
  for (int y = top; y < bottom; ++y) dc.CopySpan(y, x, x + 1, color);
}

// One ring of a 3D edge: `topLeft` along the top and left, `bottomRight` along the bottom and right.
void Ring(DeviceContext& dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  if (r.right - r.left < 1 || r.bottom - r.top < 1) return;
  HLine(dc, r.left, r.right - 1, r.top, topLeft);
  VLine(dc, r.left, r.top, r.bottom - 1, topLeft);
  HLine(dc, r.left, r.right, r.bottom - 1, bottomRight);
  VLine(dc, r.right - 1, r.top, r.bottom, bottomRight);
}

RECT Shrunk(const RECT& r, int by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }

uint8_t Blend(uint8_t a, uint8_t b, int step, int steps) {
  return static_cast<uint8_t>(a + (b - a) * step / std::max(steps, 1));
}

}  // namespace

std::shared_ptr<const Font> UiFont(int tenthsOfPoint, bool bold) {
  LOGFONTA logFont = PointFontLogFont(tenthsOfPoint, Utf8ToSjis("ＭＳ Ｐゴシック"));
  logFont.lfCharSet = SHIFTJIS_CHARSET;
  if (bold) logFont.lfWeight = FW_BOLD;
  return Font::Shared(logFont);
}

DialogUnits::DialogUnits(const Font* font) {
  if (!font) return;
  // The average width of the Latin letters, rounded: how dialog templates are scaled.
  const int letters = font->Width("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
  baseX = std::max(1, (letters / 26 + 1) / 2);
  baseY = std::max(1, font->Height());
}

RECT DialogUnits::Rect(POINT origin, int x, int y, int w, int h) const {
  const int left = origin.x + X(x), top = origin.y + Y(y);
  return {left, top, left + X(w), top + Y(h)};
}

int OuterWidth(int clientWidth) { return clientWidth + 2 * kFrameWidth; }
int OuterHeight(int clientHeight) { return clientHeight + 2 * kFrameWidth + kCaptionHeight + 1; }

RECT Centred(int width, int height, int areaWidth, int areaHeight) {
  const int left = std::max(0, (areaWidth - width) / 2), top = std::max(0, (areaHeight - height) / 2);
  return {left, top, left + width, top + height};
}

DialogPlacement PlaceDialog(const Font* font, int widthDlu, int heightDlu, int pictureWidth, int pictureHeight) {
  const DialogUnits units(font);
  const int clientWidth = units.X(widthDlu), clientHeight = units.Y(heightDlu);
  const RECT outer = Centred(OuterWidth(clientWidth), OuterHeight(clientHeight), pictureWidth, pictureHeight);
  return {units, outer, {outer.left + kFrameWidth, outer.bottom - kFrameWidth - clientHeight}};
}

void Fill(DeviceContext& dc, const RECT& rect, COLORREF color) { dc.FillRect(rect, CreateSolidBrush(color)); }

RECT DrawEdge(DeviceContext& dc, const RECT& rect, Edge edge) {
  switch (edge) {
    case Edge::Raised:
      Ring(dc, rect, kLight, kDarkShadow);
      Ring(dc, Shrunk(rect, 1), kHighlight, kShadow);
      break;
    case Edge::Sunken:
      Ring(dc, rect, kShadow, kHighlight);
      Ring(dc, Shrunk(rect, 1), kDarkShadow, kLight);
      break;
    case Edge::ButtonUp:
      Ring(dc, rect, kHighlight, kDarkShadow);
      Ring(dc, Shrunk(rect, 1), kLight, kShadow);
      break;
    case Edge::ButtonDown:
      Ring(dc, rect, kDarkShadow, kDarkShadow);
      Ring(dc, Shrunk(rect, 1), kShadow, kShadow);
      break;
  }
  return Shrunk(rect, 2);
}

RECT CloseBoxRect(const RECT& outer) {
  const int top = outer.top + kFrameWidth + 2, right = outer.right - kFrameWidth - 2;
  return {right - 16, top, right, top + 14};
}

RECT DrawDialogFrame(DeviceContext& dc, const RECT& outer, std::string_view titleSjis, bool closeBoxPressed) {
  Fill(dc, outer, kFace);
  DrawEdge(dc, outer, Edge::Raised);
  const RECT caption{outer.left + kFrameWidth, outer.top + kFrameWidth, outer.right - kFrameWidth,
                     outer.top + kFrameWidth + kCaptionHeight};
  const int span = caption.right - caption.left;
  for (int i = 0; i < span; ++i) {
    const COLORREF c = RGB(Blend(GetRValue(kCaptionLeft), GetRValue(kCaptionRight), i, span - 1),
                           Blend(GetGValue(kCaptionLeft), GetGValue(kCaptionRight), i, span - 1),
                           Blend(GetBValue(kCaptionLeft), GetBValue(kCaptionRight), i, span - 1));
    VLine(dc, caption.left + i, caption.top, caption.bottom, c);
  }
  const RECT closeBox = CloseBoxRect(outer);
  dc.SaveDC();
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(kSelectionText);
  std::shared_ptr<const Font> bold = UiFont(90, true);
  dc.SelectFont(bold);
  DrawTextA(dc, titleSjis, {caption.left + 4, caption.top, closeBox.left - 2, caption.bottom},
            DT_LEFT | DT_SINGLELINE | DT_VCENTER);
  dc.RestoreDC(-1);

  Fill(dc, closeBox, kFace);
  const RECT inside = DrawEdge(dc, closeBox, closeBoxPressed ? Edge::ButtonDown : Edge::ButtonUp);
  // The cross: two diagonals two pixels thick, 8 by 7, centred.
  const int shift = closeBoxPressed ? 1 : 0;
  const int cx = (inside.left + inside.right) / 2 - 4 + shift, cy = (inside.top + inside.bottom) / 2 - 3 + shift;
  for (int i = 0; i < 7; ++i) {
    dc.CopySpan(cy + i, cx + i, cx + i + 2, kText);
    dc.CopySpan(cy + i, cx + 6 - i, cx + 8 - i, kText);
  }
  return {outer.left + kFrameWidth, caption.bottom + 1, outer.right - kFrameWidth, outer.bottom - kFrameWidth};
}

void DrawFocusRect(DeviceContext& dc, const RECT& rect) {
  for (int x = rect.left; x < rect.right; ++x) {
    if ((x + rect.top) % 2 == 0) dc.CopySpan(rect.top, x, x + 1, kText);
    if ((x + rect.bottom - 1) % 2 == 0) dc.CopySpan(rect.bottom - 1, x, x + 1, kText);
  }
  for (int y = rect.top + 1; y < rect.bottom - 1; ++y) {
    if ((rect.left + y) % 2 == 0) dc.CopySpan(y, rect.left, rect.left + 1, kText);
    if ((rect.right - 1 + y) % 2 == 0) dc.CopySpan(y, rect.right - 1, rect.right, kText);
  }
}

void DrawPushButton(DeviceContext& dc, const RECT& rect, std::string_view captionSjis,
                    const std::shared_ptr<const Font>& font,
                    bool isDefault, bool pressed, bool focused) {
  RECT r = rect;
  if (isDefault || pressed) {
    Ring(dc, r, kText, kText);
    r = Shrunk(r, 1);
  }
  Fill(dc, r, kFace);
  if (pressed) {
    Ring(dc, r, kShadow, kShadow);
  } else {
    DrawEdge(dc, r, Edge::ButtonUp);
  }
  const int shift = pressed ? 1 : 0;
  const RECT text{r.left + 2 + shift, r.top + 2 + shift, r.right - 2 + shift, r.bottom - 2 + shift};
  dc.SaveDC();
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(kText);
  if (font) dc.SelectFont(font);
  DrawTextA(dc, captionSjis, text, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
  dc.RestoreDC(-1);
  if (focused) DrawFocusRect(dc, Shrunk(r, 3));
}

void DrawDisabledText(DeviceContext& dc, std::string_view sjis, const RECT& rect, unsigned flags) {
  dc.SaveDC();
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(kHighlight);
  DrawTextA(dc, sjis, {rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1}, flags);
  dc.SetTextColor(kShadow);
  DrawTextA(dc, sjis, rect, flags);
  dc.RestoreDC(-1);
}

}  // namespace tav::platform::dialog_style
