#include "gdi/gdi_dc.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace tav::platform {

DeviceContext::DeviceContext(Bitmap* bitmap) { state_.bitmap = bitmap; }

Bitmap* DeviceContext::SelectBitmap(Bitmap* bitmap) { return std::exchange(state_.bitmap, bitmap); }
Pen DeviceContext::SelectPen(const Pen& pen) { return std::exchange(state_.pen, pen); }
Brush DeviceContext::SelectBrush(const Brush& brush) { return std::exchange(state_.brush, brush); }

std::shared_ptr<const Font> DeviceContext::SelectFont(std::shared_ptr<const Font> font) {
  std::shared_ptr<const Font> previous = SelectedFont();
  state_.font = std::move(font);
  return previous;
}

std::shared_ptr<const Font> DeviceContext::SelectedFont() const {
  return state_.font ? state_.font : Font::Default();
}

COLORREF DeviceContext::SetTextColor(COLORREF color) { return std::exchange(state_.textColor, color & 0xFFFFFF); }
COLORREF DeviceContext::SetBkColor(COLORREF color) { return std::exchange(state_.bkColor, color & 0xFFFFFF); }

int DeviceContext::SetBkMode(int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return std::exchange(state_.bkMode, mode);
}

int DeviceContext::SetROP2(int mix) {
  if (mix != R2_COPYPEN && mix != R2_XORPEN) return 0;
  return std::exchange(state_.mix, mix);
}

void DeviceContext::IntersectClipRect(int left, int top, int right, int bottom) {
  RECT wanted{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  // No clip region means the whole plane; drawing intersects it with the bitmap anyway.
  RECT old = state_.clip.value_or(RECT{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
  RECT clip{std::max(old.left, wanted.left), std::max(old.top, wanted.top), std::min(old.right, wanted.right),
            std::min(old.bottom, wanted.bottom)};
  if (clip.left >= clip.right || clip.top >= clip.bottom) clip = RECT{};
  state_.clip = clip;
}

void DeviceContext::RemoveClip() { state_.clip.reset(); }

RECT DeviceContext::DrawableArea() const {
  if (!state_.bitmap) return {};
  RECT area{0, 0, state_.bitmap->Width(), state_.bitmap->Height()};
  if (state_.clip) {
    area.left = std::max(area.left, state_.clip->left);
    area.top = std::max(area.top, state_.clip->top);
    area.right = std::min(area.right, state_.clip->right);
    area.bottom = std::min(area.bottom, state_.clip->bottom);
  }
  if (area.left >= area.right || area.top >= area.bottom) return {};
  return area;
}

int DeviceContext::SaveDC() {
  saved_.push_back(state_);
  return static_cast<int>(saved_.size());
}

bool DeviceContext::RestoreDC(int which) {
  int depth = static_cast<int>(saved_.size());
  int index = which > 0 ? which : depth + which + 1;
  if (which == 0 || index < 1 || index > depth) return false;
  state_ = std::move(saved_[static_cast<size_t>(index) - 1]);
  saved_.resize(static_cast<size_t>(index) - 1);
  return true;
}

void DeviceContext::MixSpan(int64_t y, int64_t from, int64_t to, COLORREF color) {
  RECT area = DrawableArea();
  if (y < area.top || y >= area.bottom) return;
  from = std::max<int64_t>(from, area.left);
  to = std::min<int64_t>(to, area.right);
  if (from >= to) return;
  uint32_t* row = state_.bitmap->Row(static_cast<int>(y));
  uint32_t value = ColorrefToPixel(color);
  if (state_.mix == R2_XORPEN) {
    for (int64_t x = from; x < to; ++x) row[x] = (row[x] ^ value) & 0xFFFFFF;
  } else {
    std::fill(row + from, row + to, value);
  }
}

void DeviceContext::CopySpan(int64_t y, int64_t from, int64_t to, COLORREF color) {
  RECT area = DrawableArea();
  if (y < area.top || y >= area.bottom) return;
  from = std::max<int64_t>(from, area.left);
  to = std::min<int64_t>(to, area.right);
  if (from >= to) return;
  uint32_t* row = state_.bitmap->Row(static_cast<int>(y));
  std::fill(row + from, row + to, ColorrefToPixel(color));
}

}  // namespace tav::platform
