#pragma once

// `ESLObject`, the root of the media library's classes: each class knows its name and its base,
// so that code holding a plain ESLObject (a sound handed to the mixer, a file handed to a
// decoder) can ask what it is. Library objects live on the library heap: `new` of any subclass
// allocates from the global heap and throws std::bad_alloc when the heap cannot serve it.

#include <cstddef>
#include <new>
#include <string_view>

namespace tav::medialib {

struct ESLClassInfo {
  const char* name;
  const ESLClassInfo* base;  // null for ESLObject
};

class ESLObject {
 public:
  ESLObject() = default;
  ESLObject(const ESLObject&) = default;
  ESLObject& operator=(const ESLObject&) = default;
  virtual ~ESLObject() = default;

  static const ESLClassInfo kClassInfo;
  virtual const ESLClassInfo& ClassInfo() const { return kClassInfo; }

  const char* GetClassName() const { return ClassInfo().name; }
  // Whether this object's class or one of its bases has this name.
  bool IsKindOf(std::string_view className) const;
  // This object when IsKindOf(className), else null.
  void* DynamicCast(std::string_view className);
  template <class T>
  T* As() {
    return IsKindOf(T::kClassInfo.name) ? static_cast<T*>(this) : nullptr;
  }

  static void* operator new(std::size_t size);
  static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
  static void operator delete(void* pointer) noexcept;
};

}  // namespace tav::medialib

// In a class body: the class's own name record. ESL_IMPLEMENT_CLASS defines it in one .cpp file.
#define ESL_DECLARE_CLASS(Name)                                      \
 public:                                                             \
  static const ::tav::medialib::ESLClassInfo kClassInfo;             \
  const ::tav::medialib::ESLClassInfo& ClassInfo() const override { \
    return kClassInfo;                                               \
  }

#define ESL_IMPLEMENT_CLASS(Name, Base) \
  const ::tav::medialib::ESLClassInfo Name::kClassInfo{#Name, &Base::kClassInfo};
