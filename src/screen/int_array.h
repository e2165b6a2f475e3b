// TOL_IntArray: a growable array of signed 32-bit integers.
//
// Size and capacity are kept apart so that a run of appends reallocates rarely: when the array
// must grow and no growth step was set, it grows by size / 8 elements, at least 4 and at most
// 1024. New elements are 0.
#pragma once

#include <cstdint>
#include <vector>

namespace tav::screen {

class TOL_IntArray {
 public:
  // Larger sizes are refused (the request fails and nothing changes).
  static constexpr int kMaxSize = 1 << 24;

  TOL_IntArray() = default;
  virtual ~TOL_IntArray() = default;

  int GetSize() const { return size_; }
  int GetCapacity() const { return static_cast<int>(data_.size()); }
  int GetUpperBound() const { return size_ - 1; }

  // Resizes to `size` elements; a `growBy` of 0 or more becomes the growth step. Answers false
  // (changing nothing) for a negative or oversized request.
  bool SetSize(int size, int growBy = -1);
  void SetGrowBy(int growBy) { growBy_ = growBy; }

  // Reading outside 0 .. size-1 answers 0; writing there is ignored.
  int32_t GetAt(int index) const;
  void SetAt(int index, int32_t value);
  // Writes at `index`, growing the array when it lies beyond the end. False when it cannot.
  bool SetAtGrow(int index, int32_t value);
  // Appends; answers the new element's index, or -1 when the array cannot grow.
  int Add(int32_t value);
  void RemoveAll();

  const int32_t* GetData() const { return data_.data(); }

 private:
  std::vector<int32_t> data_;  // the capacity; elements past size_ are kept at 0
  int size_ = 0;
  int growBy_ = 0;             // 0: the automatic step
};

}  // namespace tav::screen
