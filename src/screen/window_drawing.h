// What views and appearances share when they draw: their rectangle as a drawing rectangle, moved
// by a shadow offset, and the outline of a rectangle.
#pragma once

#include <cstdint>

#include "gdi/gdi_dc.h"
#include "screen/var_window.h"

namespace tav::screen {

// The rectangle moved by (dx, dy); coordinates stop at the ends of the 32-bit range instead of
// wrapping, so a stored offset far outside the screen draws nothing rather than elsewhere.
platform::RECT DrawingRect(const WindowRect& rect, int32_t dx = 0, int32_t dy = 0);

// Move to (left, top), then lines to (right, top), (right, bottom), (left, bottom) and back to
// (left, top), with the current pen. So it lights columns left and right and rows top and bottom:
// one pixel wider and taller than the rectangle's area, each corner once.
void DrawOutline(platform::DeviceContext& dc, const platform::RECT& rect);

// The same with `pen` selected for the duration.
void DrawOutline(platform::DeviceContext& dc, const platform::RECT& rect, const platform::Pen& pen);

}  // namespace tav::screen
