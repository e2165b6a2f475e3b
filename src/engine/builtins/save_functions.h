// The save built-ins for games written for TAV: TavSave(name, value) -> BOOL, TavLoad(name) ->
// the value or none, TavSaveExists(name) -> BOOL and TavDeleteSave(name) -> BOOL.
//
// They stand apart from the built-in table: a game that declares a global of one of these names
// keeps its own, so no existing game changes behaviour.
#pragma once

#include <array>
#include <string_view>

#include "script/core/var_object.h"

namespace tav::engine {

constexpr std::array<std::string_view, 4> kSaveFunctionNames = {"TavSave", "TavLoad", "TavSaveExists",
                                                                 "TavDeleteSave"};

// Adds each save function to `globals` unless a member of that name is there already.
void AddSaveFunctions(script::TOL_VarObject* globals);

}  // namespace tav::engine
