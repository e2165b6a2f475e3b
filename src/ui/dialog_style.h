#pragma once

// How the dialogs drawn inside the game window look: a plain, grey, raised dialog with a blue
// title bar, sunken edit fields and push buttons, in the classic Windows colours, drawn with the
// software GDI onto the picture. Shared by the input box, the about box and the frame's menu.

#include <memory>
#include <string_view>

#include "gdi/bitmap.h"
#include "gdi/gdi_dc.h"
#include "gdi/gdi_font.h"
#include "gdi/gdi_types.h"

namespace tav::platform::dialog_style {

constexpr COLORREF kFace = RGB(212, 208, 200);
constexpr COLORREF kLight = RGB(212, 208, 200);
constexpr COLORREF kHighlight = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kDarkShadow = RGB(64, 64, 64);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kGrayText = RGB(128, 128, 128);
constexpr COLORREF kWindow = RGB(255, 255, 255);
constexpr COLORREF kSelection = RGB(10, 36, 106);
constexpr COLORREF kSelectionText = RGB(255, 255, 255);
constexpr COLORREF kCaptionLeft = RGB(10, 36, 106);
constexpr COLORREF kCaptionRight = RGB(166, 202, 240);

// The caption bar's height and the width of a dialog's raised frame, in pixels.
constexpr int kCaptionHeight = 18;
constexpr int kFrameWidth = 3;

// "ＭＳ Ｐゴシック" at a point size (in tenths), bold or not; null only when no font exists.
std::shared_ptr<const Font> UiFont(int tenthsOfPoint, bool bold = false);

// Dialog units: x in quarters of the font's average character width, y in eighths of its height.
struct DialogUnits {
  int baseX = 8, baseY = 16;
  explicit DialogUnits(const Font* font);
  int X(int units) const { return units * baseX / 4; }
  int Y(int units) const { return units * baseY / 8; }
  // A control placed at (x, y) with size (w, h) in dialog units, offset by the client origin.
  RECT Rect(POINT origin, int x, int y, int w, int h) const;
};

// The outer size of a dialog whose client area is `clientWidth` by `clientHeight`.
int OuterWidth(int clientWidth);
int OuterHeight(int clientHeight);

// A rectangle of the given size centred in the game picture.
RECT Centred(int width, int height, int areaWidth, int areaHeight);

// Where a dialog made from a template goes: its outer rectangle centred in the game picture, and
// the client area's top-left corner, from which its controls are placed in dialog units.
struct DialogPlacement {
  DialogUnits units;
  RECT outer;
  POINT origin;
};
DialogPlacement PlaceDialog(const Font* font, int widthDlu, int heightDlu, int pictureWidth, int pictureHeight);

enum class Edge { Raised, Sunken, ButtonUp, ButtonDown };
// Two-pixel 3D border just inside `rect`; answers the rectangle inside it.
RECT DrawEdge(DeviceContext& dc, const RECT& rect, Edge edge);

// The dialog's frame, face and caption; answers the client area. `closeBox` draws the caption's
// close button (its rectangle from CloseBoxRect).
RECT DrawDialogFrame(DeviceContext& dc, const RECT& outer, std::string_view titleSjis, bool closeBoxPressed);
RECT CloseBoxRect(const RECT& outer);

// A push button. The default one has a black outer line; a focused one a dotted focus rectangle.
void DrawPushButton(DeviceContext& dc, const RECT& rect, std::string_view captionSjis,
                    const std::shared_ptr<const Font>& font,
                    bool isDefault, bool pressed, bool focused);

// A dotted rectangle of alternate pixels, the keyboard focus mark.
void DrawFocusRect(DeviceContext& dc, const RECT& rect);

// Text the way disabled menu entries and buttons show it: embossed grey.
void DrawDisabledText(DeviceContext& dc, std::string_view sjis, const RECT& rect, unsigned flags);

void Fill(DeviceContext& dc, const RECT& rect, COLORREF color);

inline bool Contains(const RECT& rect, int x, int y) {
  return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

}  // namespace tav::platform::dialog_style
