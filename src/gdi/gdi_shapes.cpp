// Rectangle, Polygon and FillRect.

#include <algorithm>
#include <vector>

#include "gdi/gdi_dc.h"
#include "gdi/gdi_wide_pen.h"

namespace tav::platform {
namespace {

// ceil(numerator / denominator) for a positive denominator.
int64_t CeilDiv(__int128 numerator, __int128 denominator) {
  __int128 q = numerator / denominator;
  if (numerator % denominator != 0 && numerator > 0) ++q;
  return static_cast<int64_t>(q);
}

}  // namespace

void DeviceContext::Rectangle(int left, int top, int right, int bottom) {
  int64_t l = std::min(left, right), r = std::max(left, right);
  int64_t t = std::min(top, bottom), b = std::max(top, bottom);
  if (l == r || t == b) return;
  RECT area = DrawableArea();
  if (area.left >= area.right) return;
  const bool fill = !state_.brush.hollow;
  const bool cosmetic = state_.pen.style == PS_NULL || state_.pen.width < 2;

  // The brush covers l … r - 2 by t … b - 2, less whatever the pen paints.
  if (cosmetic) {
    if (fill) {
      int64_t inset = state_.pen.style == PS_NULL ? 0 : 1;
      for (int64_t y = std::max<int64_t>(t + inset, area.top); y < std::min<int64_t>(b - 1, area.bottom); ++y) {
        MixSpan(y, l + inset, r - 1, state_.brush.color);
      }
    }
    if (state_.pen.style == PS_NULL) return;
    // Each border pixel exactly once, clockwise from (l, t); a dot pattern runs on round it.
    const int64_t width = r - l, height = b - t;
    CosmeticLine(l, t, r, t, 0);
    CosmeticLine(r - 1, t + 1, r - 1, b, width);
    if (height > 1) CosmeticLine(r - 2, b - 1, l - 1, b - 1, width + height - 1);
    if (width > 1 && height > 2) CosmeticLine(l, b - 2, l, t, 2 * width + height - 2);
    return;
  }

  const POINT path[4] = {{static_cast<int32_t>(l), static_cast<int32_t>(t)},
                         {static_cast<int32_t>(r - 1), static_cast<int32_t>(t)},
                         {static_cast<int32_t>(r - 1), static_cast<int32_t>(b - 1)},
                         {static_cast<int32_t>(l), static_cast<int32_t>(b - 1)}};
  WidePenShape shape(path, true, state_.pen.width);
  std::vector<PixelSpan> pen;
  int64_t rowFrom = std::max<int64_t>(area.top, std::min(t, shape.Top()));
  int64_t rowTo = std::min<int64_t>(area.bottom, std::max(b - 1, shape.Bottom()));
  for (int64_t y = rowFrom; y < rowTo; ++y) {
    shape.RowSpans(y, area.left, area.right, pen);
    if (fill && y >= t && y < b - 1) {
      int64_t x = l;
      for (const PixelSpan& span : pen) {
        MixSpan(y, x, std::min(span.from, r - 1), state_.brush.color);
        x = std::max(x, span.to);
      }
      MixSpan(y, x, r - 1, state_.brush.color);
    }
    for (const PixelSpan& span : pen) MixSpan(y, span.from, span.to, state_.pen.color);
  }
}

void DeviceContext::Polygon(std::span<const POINT> points) {
  if (points.size() < 2) return;
  RECT area = DrawableArea();
  if (area.left >= area.right) return;
  const size_t count = points.size();

  if (!state_.brush.hollow) {
    int64_t minY = INT64_MAX, maxY = INT64_MIN;
    for (const POINT& p : points) {
      minY = std::min<int64_t>(minY, p.y);
      maxY = std::max<int64_t>(maxY, p.y);
    }
    std::vector<int64_t> crossings;
    for (int64_t y = std::max<int64_t>(minY, area.top); y < std::min<int64_t>(maxY, area.bottom); ++y) {
      crossings.clear();
      for (size_t i = 0; i < count; ++i) {
        const POINT& a = points[i];
        const POINT& b = points[(i + 1) % count];
        if (a.y == b.y || y < std::min(a.y, b.y) || y >= std::max(a.y, b.y)) continue;
        // X = xa + (y - ya)(xb - xa)/(yb - ya); the pixels X1 <= x < X2 start at ceil(X1).
        __int128 dy = int64_t{b.y} - a.y;
        __int128 numerator = static_cast<__int128>(a.x) * dy + static_cast<__int128>(y - a.y) * (int64_t{b.x} - a.x);
        if (dy < 0) {
          numerator = -numerator;
          dy = -dy;
        }
        crossings.push_back(CeilDiv(numerator, dy));
      }
      std::sort(crossings.begin(), crossings.end());
      for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
        MixSpan(y, crossings[i], crossings[i + 1], state_.brush.color);
      }
    }
  }

  if (state_.pen.style == PS_NULL) return;
  if (state_.pen.width >= 2) {
    WidePath(points, true);
    return;
  }
  int64_t pattern = 0;
  for (size_t i = 0; i < count; ++i) {
    const POINT& a = points[i];
    const POINT& b = points[(i + 1) % count];
    CosmeticLine(a.x, a.y, b.x, b.y, pattern);
    pattern += std::max(std::llabs(int64_t{b.x} - a.x), std::llabs(int64_t{b.y} - a.y));
  }
}

void DeviceContext::FillRect(const RECT& rect, const Brush& brush) {
  if (brush.hollow || rect.left >= rect.right || rect.top >= rect.bottom) return;
  RECT area = DrawableArea();
  for (int64_t y = std::max(rect.top, area.top); y < std::min(rect.bottom, area.bottom); ++y) {
    CopySpan(y, rect.left, rect.right, brush.color);
  }
}

}  // namespace tav::platform
