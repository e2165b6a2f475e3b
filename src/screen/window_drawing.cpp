#include "screen/window_drawing.h"

#include <algorithm>
#include <limits>

namespace tav::screen {

namespace {

int32_t Moved(int32_t value, int32_t by) {
  int64_t moved = int64_t{value} + by;
  return static_cast<int32_t>(std::clamp<int64_t>(moved, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

platform::RECT DrawingRect(const WindowRect& rect, int32_t dx, int32_t dy) {
  return {Moved(rect.left, dx), Moved(rect.top, dy), Moved(rect.right, dx), Moved(rect.bottom, dy)};
}

void DrawOutline(platform::DeviceContext& dc, const platform::RECT& rect) {
  dc.MoveTo(rect.left, rect.top);
  dc.LineTo(rect.right, rect.top);
  dc.LineTo(rect.right, rect.bottom);
  dc.LineTo(rect.left, rect.bottom);
  dc.LineTo(rect.left, rect.top);
}

void DrawOutline(platform::DeviceContext& dc, const platform::RECT& rect, const platform::Pen& pen) {
  platform::Pen previous = dc.SelectPen(pen);
  DrawOutline(dc, rect);
  dc.SelectPen(previous);
}

}  // namespace tav::screen
