// Built-in method tables.
//
// Each value class that has built-in methods (the scalars, arrays, maps, and the engine's classes)
// owns one table from upper-case name to a native function value. Every table has a bit in the
// names' atoms, so asking a table for a name it does not define costs one bit test: this matters
// because every name a function body reads is first asked of the array table (frames are arrays).
#pragma once

#include <string_view>
#include <unordered_map>

#include "script/core/var.h"

namespace tav::script {

enum MethodTableId {
  kBoolMethods,
  kIntMethods,
  kDoubleMethods,
  kInt64Methods,
  kStringMethods,
  kArrayMethods,
  kMapMethods,
  kFirstEngineMethods,  // engine classes take ids from here on (see MethodTable::Allocate)
};

class MethodTable {
 public:
  static MethodTable& Get(int id) {
    if (id >= 0 && id < kFixedTables && fixed_[id]) return *fixed_[id];
    return GetSlow(id);
  }
  // A fresh table for an engine class.
  static int Allocate();

  [[gnu::always_inline]] TOL_Var* Find(Atom name) const {
    if (name.IsNull() || !(name.Data()->methodTables & mask_)) return nullptr;
    auto it = methods_.find(name);
    return it == methods_.end() ? nullptr : it->second.get();
  }
  void Define(std::string_view name, VarRef function);
  void Clear();
  // Empties every table (at exit, before the values are destroyed).
  static void ClearAll();
  size_t Size() const { return methods_.size(); }

 private:
  explicit MethodTable(int id);
  static MethodTable& GetSlow(int id);
  // The tables of the value classes, found without a search: every member lookup of an array
  // (every name a function body reads) asks the array table first.
  static constexpr int kFixedTables = kFirstEngineMethods;
  static inline MethodTable* fixed_[kFixedTables] = {};
  uint32_t mask_;
  std::unordered_map<Atom, VarRef, AtomHash> methods_;
};

}  // namespace tav::script
