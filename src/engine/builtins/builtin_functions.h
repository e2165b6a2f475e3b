// The 46 global built-in functions scripts reach the engine through.
#pragma once

#include <string_view>
#include <vector>

#include "script/core/var_object.h"

namespace tav::engine {

// Adds every built-in function to `globals` under its name, in the fixed order of the table.
// The function values are created once per process and shared by every game system; adding
// them gives each one more count, so they are never collected.
void AddBuiltinFunctions(script::TOL_VarObject* globals);

// The built-in names in their table order.
std::vector<std::string_view> BuiltinFunctionNames();

}  // namespace tav::engine
