// TOL_VarObArray: an object with ordered element slots.
//
// Every slot holds a value; a new slot holds its own empty reference, so elements can be
// assigned to in place. Call frames are arrays too: five slots (ARGS, THIS, WITH, globals,
// reserved) plus members for ARGS, THIS and the local variables.
#pragma once

#include <vector>

#include "script/base/small_vector.h"
#include "script/core/var_object.h"

namespace tav::script {

// Five inline slots: a call frame's, and room for the arguments of most calls.
using ElementList = SmallVector<VarRef, 5>;

class TOL_VarObArray : public TOL_VarObject {
  TOL_DECLARE_CLASS(TOL_VarObArray)
 public:
  // Larger requests (from data or from a script's SetSize) fail instead of exhausting memory.
  static constexpr int kMaxElements = 1 << 24;

  TOL_VarObArray() = default;

  int GetType() const override { return kTypeArray; }
  VarRef Clone(TOL_Var* target) override;
  int CopyElements(TOL_Var* other) override;
  void SetSize(int count, int grow) override;
  void SetAt(int index, TOL_Var* value) override;
  TOL_Var* GetAt(int index) override {
    if (index < 0 || static_cast<size_t>(index) >= elements_.size()) return nullptr;
    return elements_[static_cast<size_t>(index)].get();
  }
  int IndexOf(TOL_Var* value) override;
  int GetCount() override { return static_cast<int>(elements_.size()); }
  // Frames are plain arrays (no class of theirs reads elements in its own way): their slots are
  // read without a virtual call.
  TOL_Var* Slot(int index) { return TOL_VarObArray::GetAt(index); }
  int Add(TOL_Var* value) override;
  void InsertAt(int index, TOL_Var* value) override;
  int TakeElement(TOL_Var* other, TOL_Var* element) override;
  int TakeAt(TOL_Var* other, int index) override;
  bool RemoveElement(TOL_Var* value) override;
  bool RemoveAt(int index) override;
  void RemoveAll() override { elements_.clear(); }
  void DeleteAll() override;
  int AppendArray(TOL_Var* other) override;
  TOL_Var* FindContainer(TOL_Var* element, int depth) override;
  TOL_Var* FindMemberDeep(Atom name, int depth) override;
  TOL_Var* FindMember(Atom name) override;
  using TOL_Var::FindMember;
  void Serialize(archive::Archive& ar) override;

  const ElementList& Elements() const { return elements_; }
  // Replaces every element at once (null entries become empty references).
  void AdoptElements(ElementList elements);
  // Appends one element (null becomes an empty reference), for code filling a new array.
  void PushElement(VarRef element) {
    elements_.push_back(element ? std::move(element) : NewEmptySlot());
  }
  void ReserveElements(size_t count) { elements_.reserve(count); }
  // A new frame's members ARGS and THIS.
  void AppendFrameMember(TOL_Var* value, Atom name) { AppendMember(value, name); }
  // Reorders the elements by a permutation of their positions (sorting, shuffling).
  void Reorder(const std::vector<int>& order);

 private:
  friend class FramePool;
  static VarRef NewEmptySlot();
  static TOL_VarObArray* AsArray(TOL_Var* value);
  static VarRef CopyElementForClone(TOL_Var* element);
  ElementList elements_;
};

// Default- rather than value-initialised: every member initialises itself, and zeroing the whole
// object first (what `new T()` does for a defaulted constructor) cost every call a block fill.
inline Ref<TOL_VarObArray> NewArray() { return Ref<TOL_VarObArray>::Adopt(new TOL_VarObArray); }

}  // namespace tav::script
