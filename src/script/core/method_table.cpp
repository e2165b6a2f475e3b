#include "script/core/method_table.h"

#include <algorithm>
#include <deque>

namespace tav::script {
namespace {

std::deque<MethodTable>& Tables() {
  static std::deque<MethodTable> tables;
  return tables;
}

}  // namespace

// Tables beyond the 31st share the top bit: a name defined in any of them is then searched in all.
MethodTable::MethodTable(int id) : mask_(id < 31 ? (1u << id) : 0x80000000u) {}

MethodTable& MethodTable::GetSlow(int id) {
  auto& tables = Tables();
  while (static_cast<int>(tables.size()) <= id) tables.push_back(MethodTable(tables.size()));
  if (id >= 0 && id < kFixedTables) fixed_[id] = &tables[id];  // deque elements never move
  return tables[id];
}

int MethodTable::Allocate() {
  int id = std::max(static_cast<int>(Tables().size()), static_cast<int>(kFirstEngineMethods));
  Get(id);
  return id;
}

void MethodTable::Define(std::string_view name, VarRef function) {
  Atom atom = Atom::Intern(name);
  atom.Data()->methodTables |= mask_;
  methods_[atom] = std::move(function);
}

void MethodTable::Clear() { methods_.clear(); }

void MethodTable::ClearAll() {
  for (MethodTable& table : Tables()) table.Clear();
}

}  // namespace tav::script
