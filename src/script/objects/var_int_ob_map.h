// TOL_VarIntObMap: values stored under signed 32-bit keys (the scripts' CreateMap).
//
// A map is also an object with named members and a base. Its own method table comes first in
// member lookups, then its members, then its base. The map holds one count of every stored value.
//
// "Hash order", the order in which IndexOf, RemoveElement and REMOVEOB meet entries, is that of
// the classic 17-bucket table: by bucket ((unsigned)key >> 4) % 17, and within a bucket the most
// recently added key first. Replacing the value of a key keeps its place.
#pragma once

#include <unordered_map>
#include <utility>
#include <vector>

#include "script/core/var_object.h"

namespace tav::script {

class TOL_VarIntObMap : public TOL_VarObject {
  TOL_DECLARE_CLASS(TOL_VarIntObMap)
 public:
  TOL_VarIntObMap() = default;

  int GetType() const override { return kTypeArray; }
  // A copy is a map based on this one: members as an object's, entries copied like array
  // elements (references keep their target, callables are shared, values copied).
  VarRef Clone(TOL_Var* target) override;
  void SetAt(int key, TOL_Var* value) override;
  TOL_Var* GetAt(int key) override;
  int IndexOf(TOL_Var* value) override;
  int GetCount() override { return static_cast<int>(entries_.size()); }
  bool RemoveElement(TOL_Var* value) override;
  bool RemoveAt(int key) override;
  void RemoveAll() override { entries_.clear(); }
  TOL_Var* FindMember(Atom name) override;
  using TOL_Var::FindMember;

  // Removes every entry whose stored value, or the value a stored reference refers to, is
  // `target`; answers how many went.
  int RemoveEntriesReferring(TOL_Var* target);
  // (key, value) pairs in hash order.
  std::vector<std::pair<int32_t, TOL_Var*>> EntriesInHashOrder() const;

 private:
  struct Entry {
    VarRef value;
    uint64_t added;  // insertion stamp: later keys come first within a bucket
  };
  std::unordered_map<int32_t, Entry> entries_;
  uint64_t nextStamp_ = 0;
};

inline Ref<TOL_VarIntObMap> NewIntObMap() { return Make<TOL_VarIntObMap>(); }

}  // namespace tav::script
