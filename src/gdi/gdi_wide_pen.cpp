#include "gdi/gdi_wide_pen.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tav::platform {
namespace {

// Beyond this (in half pixels) squared distances no longer fit 128 bits and the test falls
// back to long double; such coordinates are hundreds of millions of pixels away.
constexpr int64_t kExactLimit = int64_t{1} << 29;
// Within this (in half pixels; 8,192 pixels, every picture's own area with room to spare) the
// squares of the test fit 64 bits and it needs no 128-bit arithmetic: |cross|² <= 64·limit⁴.
constexpr int64_t kSmallLimit = int64_t{1} << 14;
constexpr int kWidestPen = 1 << 15;

}  // namespace

WidePenShape::WidePenShape(std::span<const POINT> path, bool closed, int width)
    : radius_(std::clamp(width, 2, kWidestPen)) {
  const int64_t offset = radius_ % 2;
  auto half = [&](const POINT& p, int64_t& hx, int64_t& hy) {
    hx = 2 * int64_t{p.x} + offset;
    hy = 2 * int64_t{p.y} + offset;
  };
  size_t count = path.size();
  size_t segmentCount = closed ? count : (count > 0 ? count - 1 : 0);
  if (count == 1) segmentCount = 1;
  int64_t minY = INT64_MAX, maxY = INT64_MIN;
  for (size_t i = 0; i < segmentCount; ++i) {
    Segment s{};
    half(path[i], s.ax, s.ay);
    half(path[(i + 1) % count], s.bx, s.by);
    segments_.push_back(s);
    minY = std::min({minY, s.ay, s.by});
    maxY = std::max({maxY, s.ay, s.by});
  }
  if (segments_.empty()) return;
  // Pixel row y has its centre at 2y + 1 half pixels.
  top_ = static_cast<int64_t>(std::floor((static_cast<double>(minY - radius_) - 1) / 2)) - 1;
  bottom_ = static_cast<int64_t>(std::floor((static_cast<double>(maxY + radius_) - 1) / 2)) + 2;
}

bool WidePenShape::SegmentCovers(const Segment& s, int64_t x, int64_t y) const {
  int64_t cx = 2 * x + 1, cy = 2 * y + 1;
  const int64_t extent = std::max({std::llabs(s.ax), std::llabs(s.ay), std::llabs(s.bx), std::llabs(s.by),
                                   std::llabs(cx), std::llabs(cy)});
  auto test = [&](auto zero) {
    using T = decltype(zero);
    T vx = T(cx) - T(s.ax), vy = T(cy) - T(s.ay);
    T dx = T(s.bx) - T(s.ax), dy = T(s.by) - T(s.ay);
    T r2 = T(radius_) * T(radius_);
    T dot = vx * dx + vy * dy;
    if (dot <= 0) return vx * vx + vy * vy <= r2;
    T dd = dx * dx + dy * dy;
    if (dot >= dd) {
      T wx = T(cx) - T(s.bx), wy = T(cy) - T(s.by);
      return wx * wx + wy * wy <= r2;
    }
    T cross = vx * dy - vy * dx;
    return cross * cross <= r2 * dd;
  };
  if (extent <= kSmallLimit) return test(int64_t{0});
  return extent <= kExactLimit ? test(static_cast<__int128>(0)) : test(0.0L);
}

bool WidePenShape::Covers(int64_t x, int64_t y) const {
  return std::any_of(segments_.begin(), segments_.end(),
                     [&](const Segment& s) { return SegmentCovers(s, x, y); });
}

// The capsule's chord on the row, in half pixels, slightly widened; empty when from > to.
void WidePenShape::SegmentEstimate(const Segment& s, int64_t y, double& from, double& to) const {
  const double cy = 2.0 * static_cast<double>(y) + 1;
  const double r = static_cast<double>(radius_) + 1e-3;
  from = HUGE_VAL;
  to = -HUGE_VAL;
  auto disc = [&](double px, double py) {
    double h = cy - py;
    if (std::fabs(h) > r) return;
    double chord = std::sqrt(r * r - h * h);
    from = std::min(from, px - chord);
    to = std::max(to, px + chord);
  };
  const double ax = static_cast<double>(s.ax), ay = static_cast<double>(s.ay);
  const double dx = static_cast<double>(s.bx - s.ax), dy = static_cast<double>(s.by - s.ay);
  disc(ax, ay);
  disc(ax + dx, ay + dy);
  const double length = std::hypot(dx, dy);
  if (length == 0) return;
  // Band: 0 <= (X - ax)·dx + (cy - ay)·dy <= |d|² and |(X - ax)·dy - (cy - ay)·dx| <= r·|d|.
  double lo = -HUGE_VAL, hi = HUGE_VAL;
  auto constrain = [&](double coefficient, double constant, double min, double max) {
    // min <= coefficient·X + constant <= max
    if (coefficient == 0) {
      if (constant < min || constant > max) lo = HUGE_VAL, hi = -HUGE_VAL;
      return;
    }
    double a = (min - constant) / coefficient, b = (max - constant) / coefficient;
    lo = std::max(lo, std::min(a, b));
    hi = std::min(hi, std::max(a, b));
  };
  const double h = cy - ay;
  constrain(dx, -ax * dx + h * dy, 0, dx * dx + dy * dy);
  constrain(dy, -ax * dy - h * dx, -r * length, r * length);
  if (lo <= hi) {
    from = std::min(from, lo);
    to = std::max(to, hi);
  }
}

bool WidePenShape::AxisAlignedSpan(const Segment& s, int64_t y, int64_t clipFrom, int64_t clipTo,
                                   std::vector<PixelSpan>& out) const {
  if (s.ax != s.bx && s.ay != s.by) return false;
  const int64_t cy = 2 * y + 1;
  if (std::max({std::llabs(s.ax), std::llabs(s.ay), std::llabs(s.bx), std::llabs(s.by), std::llabs(cy)}) >
      kSmallLimit) {
    return false;
  }
  // The segment is a box [x0, x1] by [y0, y1] with no width or no height, and a centre lies
  // within the pen's reach of it exactly when its distances dx, dy from the box on either axis
  // have dx² + dy² <= r². On this row dy is fixed, so the centres form one run, reaching w
  // beyond the box on either side, w the largest whole number with w² <= r² - dy².
  const int64_t x0 = std::min(s.ax, s.bx), x1 = std::max(s.ax, s.bx);
  const int64_t y0 = std::min(s.ay, s.by), y1 = std::max(s.ay, s.by);
  const int64_t dy = std::max({y0 - cy, int64_t{0}, cy - y1});
  if (dy > radius_) return true;
  const int64_t room = radius_ * radius_ - dy * dy;
  auto w = static_cast<int64_t>(std::sqrt(static_cast<double>(room)));
  while (w * w > room) --w;
  while ((w + 1) * (w + 1) <= room) ++w;
  // Pixel x has its centre at 2x + 1 half pixels.
  auto floorHalf = [](int64_t v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); };
  const int64_t left = std::max(-floorHalf(-(x0 - w - 1)), clipFrom);
  const int64_t right = std::min(floorHalf(x1 + w - 1), clipTo - 1);
  if (left <= right) out.push_back({left, right + 1});
  return true;
}

void WidePenShape::RowSpans(int64_t y, int64_t clipFrom, int64_t clipTo, std::vector<PixelSpan>& out) const {
  out.clear();
  if (clipFrom >= clipTo) return;
  for (const Segment& s : segments_) {
    if (AxisAlignedSpan(s, y, clipFrom, clipTo, out)) continue;
    double from = 0, to = 0;
    SegmentEstimate(s, y, from, to);
    if (from > to) continue;
    // Pixel x has its centre at 2x + 1: the candidates are ceil((from - 1) / 2) … floor((to - 1) / 2).
    double leftEstimate = std::ceil((from - 1) / 2), rightEstimate = std::floor((to - 1) / 2);
    if (rightEstimate < static_cast<double>(clipFrom) - 1 || leftEstimate > static_cast<double>(clipTo)) continue;
    // The estimate is a little generous and may be a pixel off: settle both edges exactly.
    auto clampColumn = [&](double x) {
      return static_cast<int64_t>(std::clamp(x, static_cast<double>(clipFrom), static_cast<double>(clipTo - 1)));
    };
    int64_t left = clampColumn(leftEstimate - 1), right = clampColumn(rightEstimate + 1);
    while (left <= right && !SegmentCovers(s, left, y)) ++left;
    if (left > right) continue;
    while (right > left && !SegmentCovers(s, right, y)) --right;
    out.push_back({left, right + 1});
  }
  std::sort(out.begin(), out.end(), [](const PixelSpan& a, const PixelSpan& b) { return a.from < b.from; });
  size_t merged = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    if (merged > 0 && out[i].from <= out[merged - 1].to) {
      out[merged - 1].to = std::max(out[merged - 1].to, out[i].to);
    } else {
      out[merged++] = out[i];
    }
  }
  out.resize(merged);
}

}  // namespace tav::platform
