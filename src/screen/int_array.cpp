#include "screen/int_array.h"

#include <algorithm>

namespace tav::screen {

bool TOL_IntArray::SetSize(int size, int growBy) {
  if (size < 0 || size > kMaxSize) return false;
  if (growBy >= 0) growBy_ = growBy;
  if (size == 0) {
    data_.clear();
    data_.shrink_to_fit();
    size_ = 0;
    return true;
  }
  int capacity = GetCapacity();
  if (size > capacity) {
    int step = growBy_;
    if (step == 0) step = std::clamp(size_ / 8, 4, 1024);
    int64_t grown = std::min<int64_t>(int64_t{capacity} + step, kMaxSize);
    int newCapacity = std::max(size, static_cast<int>(grown));
    data_.resize(static_cast<size_t>(newCapacity), 0);
  } else if (size < size_) {
    // Keep the unused tail zeroed, so that growing into it again yields zeros.
    std::fill(data_.begin() + size, data_.begin() + size_, 0);
  }
  size_ = size;
  return true;
}

int32_t TOL_IntArray::GetAt(int index) const {
  return index >= 0 && index < size_ ? data_[static_cast<size_t>(index)] : 0;
}

void TOL_IntArray::SetAt(int index, int32_t value) {
  if (index >= 0 && index < size_) data_[static_cast<size_t>(index)] = value;
}

bool TOL_IntArray::SetAtGrow(int index, int32_t value) {
  if (index < 0 || index >= kMaxSize) return false;
  if (index >= size_ && !SetSize(index + 1)) return false;
  data_[static_cast<size_t>(index)] = value;
  return true;
}

int TOL_IntArray::Add(int32_t value) {
  int index = size_;
  return SetAtGrow(index, value) ? index : -1;
}

void TOL_IntArray::RemoveAll() { SetSize(0); }

}  // namespace tav::screen
