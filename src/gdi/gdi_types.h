#pragma once

// The value types and constants of the software GDI, with the Windows names and values the
// game data and the drawing code were written against. Coordinates are device pixels.

#include <cstdint>
#include <cstring>
#include <string_view>

namespace tav::platform {

// 0x00BBGGRR: red in the low byte, unlike a Bitmap pixel (0x00RRGGBB).
using COLORREF = uint32_t;

constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b) {
  return uint32_t{r} | uint32_t{g} << 8 | uint32_t{b} << 16;
}
constexpr uint8_t GetRValue(COLORREF c) { return static_cast<uint8_t>(c); }
constexpr uint8_t GetGValue(COLORREF c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t GetBValue(COLORREF c) { return static_cast<uint8_t>(c >> 16); }

// The colour conversions at the boundary between GDI calls and bitmaps; the top byte is dropped.
constexpr uint32_t ColorrefToPixel(COLORREF c) {
  return (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
}
constexpr COLORREF PixelToColorref(uint32_t pixel) { return ColorrefToPixel(pixel); }

struct POINT {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const POINT&) const = default;
};

// Right and bottom are exclusive wherever a RECT is filled or used as a clip.
struct RECT {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const RECT&) const = default;
};

// Exactly the 60 bytes of the stored font records (little-endian, no padding); the face name is
// code page 932 and NUL-terminated.
struct LOGFONTA {
  int32_t lfHeight = 0;
  int32_t lfWidth = 0;
  int32_t lfEscapement = 0;
  int32_t lfOrientation = 0;
  int32_t lfWeight = 0;
  uint8_t lfItalic = 0;
  uint8_t lfUnderline = 0;
  uint8_t lfStrikeOut = 0;
  uint8_t lfCharSet = 0;
  uint8_t lfOutPrecision = 0;
  uint8_t lfClipPrecision = 0;
  uint8_t lfQuality = 0;
  uint8_t lfPitchAndFamily = 0;
  char lfFaceName[32] = {};

  std::string_view FaceName() const { return {lfFaceName, strnlen(lfFaceName, sizeof lfFaceName)}; }
  // Truncated to 31 bytes, never in the middle of a two-byte character.
  void SetFaceName(std::string_view sjis);
};
static_assert(sizeof(LOGFONTA) == 60);

// Pen styles.
constexpr int PS_SOLID = 0;
constexpr int PS_DOT = 2;
constexpr int PS_NULL = 5;

// Mix modes (SetROP2).
constexpr int R2_XORPEN = 7;
constexpr int R2_COPYPEN = 13;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Font weights and character sets.
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr uint8_t ANSI_CHARSET = 0;
constexpr uint8_t DEFAULT_CHARSET = 1;
constexpr uint8_t SHIFTJIS_CHARSET = 128;

// DrawText flags.
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;

// GetDeviceCaps indexes; both answer 96.
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int kLogPixels = 96;

// a·b/c rounded to nearest, halves away from zero; -1 when c is 0 or the result overflows.
int MulDiv(int a, int b, int c);

// What a point-size font request asks for at 96 pixels per inch: a zeroed LOGFONTA with
// DEFAULT_CHARSET, the face name and a character height of 96·tenths/720 pixels.
LOGFONTA PointFontLogFont(int tenthsOfPoint, std::string_view sjisFaceName);

}  // namespace tav::platform
