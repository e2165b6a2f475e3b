// The members of an object: counted values under interned upper-case names, kept in the order
// they were first stored. Most objects (call frames above all) have a handful of members, so a
// lookup is a scan comparing atom pointers; a large object gets an index beside the list.
#pragma once

#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "script/base/atom.h"
#include "script/base/ref.h"
#include "script/base/small_vector.h"

namespace tav::script {

class TOL_Var;

class MemberMap {
 public:
  struct Entry {
    Atom name;
    Ref<TOL_Var> value;
  };

  TOL_Var* Find(Atom name) const {
    int i = IndexOf(name);
    return i < 0 ? nullptr : entries_[i].value.get();
  }
  // Find, trying first the position `hint` where the name stood last time (a compiled name
  // keeps one per use): a function's locals stand at the same positions in every call.
  TOL_Var* Find(Atom name, uint32_t& hint) const {
    if (hint < entries_.size() && entries_[hint].name == name) return entries_[hint].value.get();
    int i = IndexOf(name);
    if (i < 0) return nullptr;
    hint = static_cast<uint32_t>(i);
    return entries_[i].value.get();
  }
  // Stores `value` (count raised); the value it replaces loses a count.
  void Set(Atom name, TOL_Var* value);
  // Set, for a name the map is known not to hold yet (a frame being built).
  void Append(Atom name, TOL_Var* value) {
    entries_.emplace_back(Entry{name, Ref<TOL_Var>(value)});
    if (index_ || entries_.size() >= kIndexFrom) [[unlikely]] IndexLast();
  }
  // The holder of the value of the member at `index`.
  Ref<TOL_Var>& ValueAt(size_t index) { return entries_[index].value; }
  // Removes the member and hands its count to the caller.
  Ref<TOL_Var> Remove(Atom name);
  void Clear();

  const SmallVector<Entry, 4>& Entries() const { return entries_; }
  size_t Size() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }

 private:
  static constexpr size_t kIndexFrom = 12;
  int IndexOf(Atom name) const;
  void IndexLast();
  void RebuildIndex();

  // Four inline: a frame's ARGS and THIS, and a local or two.
  SmallVector<Entry, 4> entries_;
  std::unique_ptr<std::unordered_map<Atom, int, AtomHash>> index_;
};

}  // namespace tav::script
