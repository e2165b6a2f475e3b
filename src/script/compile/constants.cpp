#include "script/compile/constants.h"

#include <unordered_map>

#include "script/core/scalars.h"
#include "script/core/var_ref.h"

namespace tav::script::constants {
namespace {

std::unordered_map<Atom, VarRef, AtomHash>& Table() {
  static std::unordered_map<Atom, VarRef, AtomHash> table;
  return table;
}

}  // namespace

void Initialize() {
  Define("NULL", NewRef().get());
  Define("TRUE", NewBool(true).get());
  Define("FALSE", NewBool(false).get());
}

void Define(std::string_view name, TOL_Var* value) {
  if (!value) return;
  Table()[Atom::Intern(name)] = VarRef(value);
}

TOL_Var* Find(Atom name) {
  auto& table = Table();
  auto it = table.find(name);
  return it == table.end() ? nullptr : it->second.get();
}

TOL_Var* Find(std::string_view name) {
  Atom atom = Atom::Find(name);
  return atom.IsNull() ? nullptr : Find(atom);
}

void Clear() { Table().clear(); }
size_t Count() { return Table().size(); }

}  // namespace tav::script::constants
