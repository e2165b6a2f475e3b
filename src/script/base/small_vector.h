// A vector whose first few elements live inside the object that owns it.
//
// Every script call makes two arrays (the frame and its arguments) and gives the frame a few
// members; with a heap block for each of their lists, the allocator was a fifth of the time a
// call took. Values come from the pools, so lists kept inline cost no allocation at all until
// they outgrow `N` elements, after which they move to the heap like a std::vector.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace tav::script {

template <class T, size_t N>
class SmallVector {
 public:
  using value_type = T;
  using iterator = T*;
  using const_iterator = const T*;

  SmallVector() = default;
  SmallVector(const SmallVector& other) { Append(other.begin(), other.end()); }
  SmallVector(SmallVector&& other) noexcept { TakeFrom(other); }
  SmallVector(const std::vector<T>& other) { Append(other.data(), other.data() + other.size()); }
  ~SmallVector() { Release(); }

  SmallVector& operator=(const SmallVector& other) {
    if (this != &other) {
      SmallVector copy(other);
      *this = std::move(copy);
    }
    return *this;
  }
  SmallVector& operator=(SmallVector&& other) noexcept {
    if (this != &other) {
      // The old elements go only after the new ones are in place: destroying an element may
      // reach back into this very list (a value releasing what holds it).
      SmallVector old;
      old.TakeFrom(*this);
      TakeFrom(other);
    }
    return *this;
  }
  // Snapshots for code that must not see the list change while it works through it.
  operator std::vector<T>() const { return std::vector<T>(begin(), end()); }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  T& operator[](size_t i) { return data_[i]; }
  const T& operator[](size_t i) const { return data_[i]; }
  T& back() { return data_[size_ - 1]; }
  const T& back() const { return data_[size_ - 1]; }

  void reserve(size_t n) {
    if (n > capacity_) Grow(n);
  }
  template <class... Args>
  T& emplace_back(Args&&... args) {
    if (size_ == capacity_) Grow(std::max<size_t>(capacity_ * 2, N));
    T* slot = new (data_ + size_) T(std::forward<Args>(args)...);
    ++size_;
    return *slot;
  }
  void push_back(const T& value) { emplace_back(value); }
  void push_back(T&& value) { emplace_back(std::move(value)); }

  iterator insert(const_iterator where, T value) {
    size_t at = static_cast<size_t>(where - data_);
    emplace_back(std::move(value));
    std::rotate(data_ + at, data_ + size_ - 1, data_ + size_);
    return data_ + at;
  }
  iterator erase(const_iterator where) { return erase(where, where + 1); }
  iterator erase(const_iterator first, const_iterator last) {
    size_t from = static_cast<size_t>(first - data_);
    size_t count = static_cast<size_t>(last - first);
    if (count == 0) return data_ + from;
    // Moved out first and destroyed last, for the same reason as in assignment.
    SmallVector gone;
    gone.reserve(count);
    for (size_t i = 0; i < count; ++i) gone.emplace_back(std::move(data_[from + i]));
    std::move(data_ + from + count, data_ + size_, data_ + from);
    ShrinkTo(size_ - count);
    return data_ + from;
  }
  // Growing default-constructs the new elements.
  void resize(size_t n) {
    if (n < size_) {
      SmallVector gone;
      gone.reserve(size_ - n);
      for (size_t i = n; i < size_; ++i) gone.emplace_back(std::move(data_[i]));
      ShrinkTo(n);
      return;
    }
    reserve(n);
    while (size_ < n) emplace_back();
  }
  void clear() {
    SmallVector gone;
    gone.TakeFrom(*this);
  }

 private:
  T* Inline() { return std::launder(reinterpret_cast<T*>(inline_)); }
  bool IsInline() const { return data_ == reinterpret_cast<const T*>(inline_); }

  template <class It>
  void Append(It first, It last) {
    reserve(size_ + static_cast<size_t>(last - first));
    for (; first != last; ++first) emplace_back(*first);
  }
  void Grow(size_t n) {
    T* bigger = static_cast<T*>(::operator new(n * sizeof(T)));
    std::uninitialized_move(data_, data_ + size_, bigger);
    std::destroy(data_, data_ + size_);
    if (!IsInline()) ::operator delete(data_);
    data_ = bigger;
    capacity_ = static_cast<uint32_t>(n);
  }
  void ShrinkTo(size_t n) {
    std::destroy(data_ + n, data_ + size_);
    size_ = static_cast<uint32_t>(n);
  }
  // Leaves `other` empty and inline.
  void TakeFrom(SmallVector& other) noexcept {
    Release();
    if (other.IsInline()) {
      data_ = Inline();
      capacity_ = N;
      std::uninitialized_move(other.data_, other.data_ + other.size_, data_);
      std::destroy(other.data_, other.data_ + other.size_);
      size_ = other.size_;
    } else {
      data_ = other.data_;
      capacity_ = other.capacity_;
      size_ = other.size_;
    }
    other.data_ = other.Inline();
    other.capacity_ = N;
    other.size_ = 0;
  }
  void Release() {
    ShrinkTo(0);
    if (!IsInline()) ::operator delete(data_);
    data_ = Inline();
    capacity_ = N;
  }

  T* data_ = Inline();
  uint32_t size_ = 0;
  uint32_t capacity_ = N;
  alignas(T) unsigned char inline_[N * sizeof(T)];
};

}  // namespace tav::script
