// BitBlt with SRCCOPY.

#include <algorithm>
#include <cstring>
#include <vector>

#include "gdi/gdi_dc.h"

namespace tav::platform {

bool DeviceContext::BitBlt(int x, int y, int width, int height, const DeviceContext& source, int sourceX,
                           int sourceY) {
  Bitmap* target = state_.bitmap;
  const Bitmap* from = source.state_.bitmap;
  if (!target || !from) return false;
  if (width <= 0 || height <= 0) return true;
  RECT area = DrawableArea();
  // Destination pixel (x + i, y + j) takes source pixel (sourceX + i, sourceY + j); i and j are
  // limited to where both lie inside their bitmaps (and the destination inside the clip).
  int64_t iFrom = std::max<int64_t>({0, int64_t{area.left} - x, -int64_t{sourceX}});
  int64_t iTo = std::min<int64_t>({width, int64_t{area.right} - x, int64_t{from->Width()} - sourceX});
  int64_t jFrom = std::max<int64_t>({0, int64_t{area.top} - y, -int64_t{sourceY}});
  int64_t jTo = std::min<int64_t>({height, int64_t{area.bottom} - y, int64_t{from->Height()} - sourceY});
  if (iFrom >= iTo || jFrom >= jTo) return true;
  const size_t rowBytes = static_cast<size_t>(iTo - iFrom) * sizeof(uint32_t);
  auto sourceRow = [&](int64_t j) { return from->Row(static_cast<int>(sourceY + j)) + sourceX + iFrom; };
  auto targetRow = [&](int64_t j) { return target->Row(static_cast<int>(y + j)) + x + iFrom; };
  if (target == from) {
    // Within one bitmap the copy behaves as if made through a temporary picture.
    std::vector<uint32_t> copy(static_cast<size_t>(iTo - iFrom) * static_cast<size_t>(jTo - jFrom));
    for (int64_t j = jFrom; j < jTo; ++j) {
      std::memcpy(copy.data() + (j - jFrom) * (iTo - iFrom), sourceRow(j), rowBytes);
    }
    for (int64_t j = jFrom; j < jTo; ++j) {
      std::memcpy(targetRow(j), copy.data() + (j - jFrom) * (iTo - iFrom), rowBytes);
    }
    return true;
  }
  for (int64_t j = jFrom; j < jTo; ++j) std::memcpy(targetRow(j), sourceRow(j), rowBytes);
  return true;
}

}  // namespace tav::platform
