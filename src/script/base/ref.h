// Counted references to script values.
//
// A value is born with count 1, the creator's reference. `Ref` is the RAII holder of one count:
// `Ref<T>::Adopt` takes over an existing count (the creator's), the pointer constructor adds one.
// Lowering a count never frees: a value at zero waits for the next collection pass.
#pragma once

#include <cstddef>
#include <utility>

namespace tav::script {

// True once the runtime has been torn down at exit: counts are no longer kept (everything left
// was destroyed wholesale), so holders destroyed afterwards (static tables) leave their values
// alone instead of touching memory that is gone.
inline bool g_tearingDown = false;

template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  explicit Ref(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  static Ref Adopt(T* p) {
    Ref r;
    r.p_ = p;
    return r;
  }
  Ref(const Ref& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& o) : p_(o.get()) {
    if (p_) p_->AddRef();
  }
  template <class U>
  Ref(Ref<U>&& o) noexcept : p_(o.Leak()) {}
  ~Ref() {
    if (p_ && !g_tearingDown) p_->Release();
  }
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Gives up the count without lowering it (the caller now owns it).
  T* Leak() { return std::exchange(p_, nullptr); }
  void reset() { Ref().swap(*this); }
  void swap(Ref& o) noexcept { std::swap(p_, o.p_); }

  friend bool operator==(const Ref& a, const Ref& b) { return a.p_ == b.p_; }
  friend bool operator==(const Ref& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

// Creates a value with its creator's count owned by the returned reference.
template <class T, class... Args>
Ref<T> Make(Args&&... args) {
  return Ref<T>::Adopt(new T(std::forward<Args>(args)...));
}

}  // namespace tav::script
