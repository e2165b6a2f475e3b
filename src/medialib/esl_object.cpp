#include "medialib/esl_object.h"

#include "medialib/heap.h"

namespace tav::medialib {

const ESLClassInfo ESLObject::kClassInfo{"ESLObject", nullptr};

bool ESLObject::IsKindOf(std::string_view className) const {
  for (const ESLClassInfo* info = &ClassInfo(); info != nullptr; info = info->base) {
    if (className == info->name) return true;
  }
  return false;
}

void* ESLObject::DynamicCast(std::string_view className) {
  return IsKindOf(className) ? this : nullptr;
}

void* ESLObject::operator new(std::size_t size) {
  void* memory = eslHeapAllocate(nullptr, size, 0);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

void* ESLObject::operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return eslHeapAllocate(nullptr, size, 0);
}

void ESLObject::operator delete(void* pointer) noexcept { eslHeapFree(nullptr, pointer, 0); }

}  // namespace tav::medialib
