// The constant table: names the compiler turns into fixed values.
//
// It starts with NULL (an empty reference), TRUE and FALSE; the engine adds the game's defined
// constants. A constant is looked up when an expression is compiled, so later changes to the
// table do not affect code compiled before them.
#pragma once

#include <string_view>

#include "script/core/var.h"

namespace tav::script::constants {

// Fills the table with NULL, TRUE and FALSE (again, after Clear).
void Initialize();
// Defines or replaces a constant (the name is upper-cased).
void Define(std::string_view name, TOL_Var* value);
// The constant's value or null. `name` must already be upper-case.
TOL_Var* Find(Atom name);
TOL_Var* Find(std::string_view name);
void Clear();
size_t Count();

}  // namespace tav::script::constants
