#pragma once

// The pixels a wide (width >= 2) round pen covers along a path: a disc of diameter w swept along
// each segment, its centre at the end points (x + 1/2, y + 1/2) for odd w and (x, y) for even w.
// A pixel is covered when its centre lies within w/2 of a segment, boundary included. Used by
// the drawing files; each row's coverage is handed out as sorted, merged spans, so a pixel is
// painted once however many segments cover it.

#include <cstdint>
#include <span>
#include <vector>

#include "gdi/gdi_types.h"

namespace tav::platform {

struct PixelSpan {
  int64_t from;  // inclusive
  int64_t to;    // exclusive
};

class WidePenShape {
 public:
  WidePenShape(std::span<const POINT> path, bool closed, int width);

  // Rows top … bottom - 1 may hold covered pixels.
  int64_t Top() const { return top_; }
  int64_t Bottom() const { return bottom_; }

  // Covered pixels of row y within columns clipFrom … clipTo - 1, sorted and merged.
  void RowSpans(int64_t y, int64_t clipFrom, int64_t clipTo, std::vector<PixelSpan>& out) const;

  // Whether pixel (x, y) is covered (exact).
  bool Covers(int64_t x, int64_t y) const;

 private:
  // End points in half pixels.
  struct Segment {
    int64_t ax, ay, bx, by;
  };
  bool SegmentCovers(const Segment& segment, int64_t x, int64_t y) const;
  void SegmentEstimate(const Segment& segment, int64_t y, double& from, double& to) const;
  // Adds the covered pixels of row y of a horizontal or vertical segment near the picture (the
  // sides of every rectangle) to `out`, found without a search; false for other segments.
  bool AxisAlignedSpan(const Segment& segment, int64_t y, int64_t clipFrom, int64_t clipTo,
                       std::vector<PixelSpan>& out) const;

  std::vector<Segment> segments_;
  int64_t radius_;  // w, in half pixels
  int64_t top_ = 0;
  int64_t bottom_ = 0;
};

}  // namespace tav::platform
