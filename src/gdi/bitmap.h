#pragma once

// A 32-bit picture laid out like a top-down Windows DIB: rows from the top, no padding, each
// pixel a 32-bit value 0x00RRGGBB (in memory B, G, R, unused on little-endian machines). Note
// that this is not a COLORREF, whose red is the low byte.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

namespace tav::platform {

// Pictures are large and most start black: their memory comes zeroed from calloc, which for
// blocks this size hands out fresh pages without writing them, so a picture that is never drawn
// on costs no page faults. Elements made without a value are left as they are, zero.
template <class T>
struct ZeroedAllocator {
  using value_type = T;
  ZeroedAllocator() = default;
  template <class U>
  ZeroedAllocator(const ZeroedAllocator<U>&) {}
  T* allocate(size_t n) {
    void* p = std::calloc(n, sizeof(T));
    if (!p) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t) { std::free(p); }
  template <class U>
  void construct(U*) noexcept {}
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  bool operator==(const ZeroedAllocator&) const { return true; }
};

constexpr uint32_t RgbPixel(uint8_t r, uint8_t g, uint8_t b) {
  return uint32_t{r} << 16 | uint32_t{g} << 8 | b;
}

class Bitmap {
 public:
  Bitmap() = default;
  // A black picture. A negative size counts as 0.
  Bitmap(int width, int height, uint32_t fill = 0)
      : width_(width > 0 ? width : 0),
        height_(height > 0 ? height : 0),
        pixels_(static_cast<size_t>(width_) * height_) {
    if (fill != 0) std::fill(pixels_.begin(), pixels_.end(), fill);
  }

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return pixels_.empty(); }

  uint32_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const uint32_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  uint32_t& At(int x, int y) { return Row(y)[x]; }
  uint32_t At(int x, int y) const { return Row(y)[x]; }

  uint32_t* Data() { return pixels_.data(); }
  const uint32_t* Data() const { return pixels_.data(); }

  bool operator==(const Bitmap&) const = default;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t, ZeroedAllocator<uint32_t>> pixels_;
};

}  // namespace tav::platform
