#include "medialib/ptr_array.h"

#include <cstring>

#include "medialib/heap.h"

namespace tav::medialib {

ESL_IMPLEMENT_CLASS(EPtrArray, ESLObject)

EPtrArray::~EPtrArray() { eslHeapFree(nullptr, items_, 0); }

bool EPtrArray::InsertAt(size_t index, void* item) {
  if (index > count_) index = count_;
  if (count_ == capacity_) {
    size_t capacity = capacity_ < 8 ? 8 : capacity_ + capacity_ / 2;
    if (capacity > kEslHeapMaxBlock / sizeof(void*)) return false;
    void* grown = eslHeapReallocate(nullptr, items_, capacity * sizeof(void*), 0);
    if (grown == nullptr) return false;
    items_ = static_cast<void**>(grown);
    capacity_ = capacity;
  }
  memmove(items_ + index + 1, items_ + index, (count_ - index) * sizeof(void*));
  items_[index] = item;
  ++count_;
  return true;
}

void* EPtrArray::RemoveAt(size_t index) {
  if (index >= count_) return nullptr;
  void* item = items_[index];
  memmove(items_ + index, items_ + index + 1, (count_ - index - 1) * sizeof(void*));
  --count_;
  return item;
}

}  // namespace tav::medialib
