// The built-in method tables of the script language: the five scalar classes, arrays and maps.
#pragma once

#include <cstdint>

#include "script/core/var.h"

namespace tav::script {

class MethodArgs;

// Fills every table that is still empty; calling it again changes nothing. The runtime calls it
// at start-up, after the tables were cleared at the end of a previous run it fills them again.
void RegisterBuiltinMethods();

// One table each (they define into the table whatever it holds).
void DefineBoolMethods();
void DefineIntMethods();
void DefineDoubleMethods();
void DefineInt64Methods();
void DefineStringMethods();
void DefineArrayMethods();
void DefineMapMethods();

// COMMASTRING of INT and INT64: argument 1 the group size (used when 1 to `maxGroup`, else 3),
// argument 2 a text whose first byte separates the groups (default ",").
VarRef CommaStringOf(int64_t value, const MethodArgs& args, int maxGroup);

}  // namespace tav::script
