// MoveTo / LineTo with cosmetic (one-pixel, solid or dotted) and wide round pens.

#include <algorithm>
#include <utility>
#include <vector>

#include "gdi/gdi_dc.h"
#include "gdi/gdi_wide_pen.h"

namespace tav::platform {
namespace {

int64_t FloorDiv(__int128 a, int64_t b) {  // b > 0
  __int128 q = a / b;
  if (a % b != 0 && a < 0) --q;
  return static_cast<int64_t>(q);
}

// Indexes i of 0 … n - 1 whose major coordinate start + i·step lies in from … to - 1.
void MajorRange(int64_t start, int64_t step, int64_t n, int64_t from, int64_t to, int64_t& first, int64_t& last) {
  if (step > 0) {
    first = from - start;
    last = to - start;  // exclusive
  } else {
    first = start - to + 1;
    last = start - from + 1;
  }
  first = std::max<int64_t>(first, 0);
  last = std::min<int64_t>(last, n);
}

}  // namespace

POINT DeviceContext::MoveTo(int x, int y) { return std::exchange(state_.position, POINT{x, y}); }

void DeviceContext::LineTo(int x, int y) {
  POINT from = state_.position;
  state_.position = {x, y};
  if (state_.pen.style == PS_NULL) return;
  if (state_.pen.width >= 2) {
    POINT path[2] = {from, {x, y}};
    WidePath(path, false);
  } else {
    CosmeticLine(from.x, from.y, x, y, 0);
  }
}

// (x, y) is inside DrawableArea(): CosmeticLine visits no other pixel.
void DeviceContext::PenPixel(int64_t x, int64_t y, int64_t patternIndex) {
  COLORREF color = state_.pen.color;
  if (state_.pen.style == PS_DOT && patternIndex % 6 >= 3) {
    if (state_.bkMode != OPAQUE) return;
    color = state_.bkColor;
  }
  uint32_t& pixel = state_.bitmap->At(static_cast<int>(x), static_cast<int>(y));
  uint32_t value = ColorrefToPixel(color);
  pixel = state_.mix == R2_XORPEN ? (pixel ^ value) & 0xFFFFFF : value;
}

// The pixel rule is the rounded exact line with ties to the smaller coordinate whichever way
// it is drawn: minor = minor0 + floor((2·i·dMinor + |dMajor| - 1) / (2·|dMajor|)). Only the
// indexes whose major coordinate falls inside the drawable area are visited, so a line from far
// outside costs no more than one across the bitmap, and the dot phase is that of the whole line.
void DeviceContext::CosmeticLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t patternStart) {
  RECT area = DrawableArea();
  if (area.left >= area.right) return;
  int64_t dx = x1 - x0, dy = y1 - y0;
  bool xMajor = std::llabs(dx) >= std::llabs(dy);
  int64_t major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
  int64_t dMajor = xMajor ? dx : dy, dMinor = xMajor ? dy : dx;
  int64_t n = std::llabs(dMajor);
  if (n == 0) return;
  int64_t step = dMajor > 0 ? 1 : -1;
  int64_t majorFrom = xMajor ? area.left : area.top, majorTo = xMajor ? area.right : area.bottom;
  int64_t minorFrom = xMajor ? area.top : area.left, minorTo = xMajor ? area.bottom : area.right;
  int64_t first = 0, last = 0;
  MajorRange(major0, step, n, majorFrom, majorTo, first, last);
  if (first >= last) return;

  const int64_t twoMajor = 2 * n;
  __int128 numerator = static_cast<__int128>(2) * first * dMinor + n - 1;
  int64_t quotient = FloorDiv(numerator, twoMajor);
  int64_t remainder = static_cast<int64_t>(numerator - static_cast<__int128>(quotient) * twoMajor);
  for (int64_t i = first; i < last; ++i) {
    int64_t minor = minor0 + quotient;
    if (minor >= minorFrom && minor < minorTo) {
      int64_t major = major0 + i * step;
      PenPixel(xMajor ? major : minor, xMajor ? minor : major, patternStart + i);
    }
    remainder += 2 * dMinor;
    if (remainder >= twoMajor) {
      ++quotient;
      remainder -= twoMajor;
    } else if (remainder < 0) {
      --quotient;
      remainder += twoMajor;
    }
  }
}

void DeviceContext::WidePath(std::span<const POINT> path, bool closed) {
  RECT area = DrawableArea();
  if (area.left >= area.right || path.empty()) return;
  WidePenShape shape(path, closed, state_.pen.width);
  std::vector<PixelSpan> spans;
  for (int64_t y = std::max<int64_t>(area.top, shape.Top()); y < std::min<int64_t>(area.bottom, shape.Bottom()); ++y) {
    shape.RowSpans(y, area.left, area.right, spans);
    for (const PixelSpan& span : spans) MixSpan(y, span.from, span.to, state_.pen.color);
  }
}

}  // namespace tav::platform
