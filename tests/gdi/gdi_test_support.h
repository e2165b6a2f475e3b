#pragma once

// Small helpers for the software GDI tests: a canvas with its DC, and the set of pixels that
// differ from a background colour, written as "x,y" strings so failures read easily.

#include <set>
#include <string>

#include "gdi/bitmap.h"
#include "gdi/gdi_dc.h"

namespace tav::platform::testing {

struct Canvas {
  Bitmap bitmap;
  DeviceContext dc;
  explicit Canvas(int width = 16, int height = 16, uint32_t fill = 0) : bitmap(width, height, fill), dc(&bitmap) {}
  Canvas(const Canvas&) = delete;

  std::set<std::string> Lit(uint32_t background = 0) const {
    std::set<std::string> out;
    for (int y = 0; y < bitmap.Height(); ++y) {
      for (int x = 0; x < bitmap.Width(); ++x) {
        if (bitmap.At(x, y) != background) out.insert(std::to_string(x) + "," + std::to_string(y));
      }
    }
    return out;
  }
};

// Every pixel of l … r - 1 by t … b - 1.
inline std::set<std::string> Block(int l, int t, int r, int b) {
  std::set<std::string> out;
  for (int y = t; y < b; ++y) {
    for (int x = l; x < r; ++x) out.insert(std::to_string(x) + "," + std::to_string(y));
  }
  return out;
}

}  // namespace tav::platform::testing
