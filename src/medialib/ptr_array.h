#pragma once

// `EPtrArray`: a growable array of pointers on the library heap, for the lists of the sound
// classes and the MIO player's packet queue. The elements are not owned.

#include <cstddef>

#include "medialib/esl_object.h"

namespace tav::medialib {

class EPtrArray : public ESLObject {
  ESL_DECLARE_CLASS(EPtrArray)

 public:
  EPtrArray() = default;
  EPtrArray(const EPtrArray&) = delete;
  EPtrArray& operator=(const EPtrArray&) = delete;
  ~EPtrArray() override;

  size_t GetSize() const { return count_; }
  void* GetAt(size_t index) const { return index < count_ ? items_[index] : nullptr; }
  void* operator[](size_t index) const { return GetAt(index); }

  // False when the heap cannot hold one more element (nothing changes then).
  bool Add(void* item) { return InsertAt(count_, item); }
  bool InsertAt(size_t index, void* item);
  // Answers the removed element (null for an index beyond the end).
  void* RemoveAt(size_t index);
  void RemoveAll() { count_ = 0; }

 private:
  void** items_ = nullptr;
  size_t count_ = 0;
  size_t capacity_ = 0;
};

}  // namespace tav::medialib
