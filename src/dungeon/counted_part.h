// The counted root of the pieces a field is built from (thresholds and cell data).
//
// A place file may name one threshold or cell-data object from several blocks (the archive
// hands the same object back for a back-reference), so blocks share these pieces: each holder
// keeps one count and the last one to let go deletes the piece. Pieces are not script values:
// no script can reach them, and they are not tracked for collection.
#pragma once

#include <utility>

#include "archive/object.h"
#include "script/base/pool.h"

namespace tav::dungeon {

class CountedPart : public script::TOL_SmallObject, public archive::Object {
 public:
  CountedPart() = default;
  CountedPart(const CountedPart&) = delete;
  CountedPart& operator=(const CountedPart&) = delete;
  virtual ~CountedPart() = default;

  void AddRef() { ++refs_; }
  void Release() {
    if (--refs_ == 0) delete this;
  }
  int RefCount() const { return refs_; }
  void ArchiveAddRef() override { AddRef(); }
  void ArchiveRelease() override { Release(); }

 private:
  int refs_ = 1;  // the creator's
};

// One count on a piece.
template <class T>
class PartRef {
 public:
  PartRef() = default;
  // Takes over a count the caller already owns (what an archive hands out).
  static PartRef Adopt(T* p) {
    PartRef r;
    r.p_ = p;
    return r;
  }
  explicit PartRef(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  PartRef(const PartRef& o) : PartRef(o.p_) {}
  PartRef(PartRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  PartRef(const PartRef<U>& o) : PartRef(o.get()) {}
  template <class U>
  PartRef(PartRef<U>&& o) noexcept : p_(o.Leak()) {}
  PartRef& operator=(PartRef o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~PartRef() {
    if (p_) p_->Release();
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Gives up the count without lowering it (the caller now owns it).
  T* Leak() { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};

template <class T, class... Args>
PartRef<T> MakePart(Args&&... args) {
  return PartRef<T>::Adopt(new T(std::forward<Args>(args)...));
}

}  // namespace tav::dungeon
