// The global functions that create objects from the game's types and tables: CreateArray,
// CreateArrayFromFile, CreateObject, CreateObjectDef and CreateInitializer.
//
// They take their types and tables from the running game system (Services().game); without one
// every type number is unknown. Arguments that are missing or name nothing give the default
// result, never a failure.
#pragma once

#include "script/core/var.h"
#include "script/core/var_array.h"

namespace tav::engine {

// count, [type, [row]] -> a new array of `count` slots; with a type, each a new instance
// (initialised from the type's table row `row` when there is one).
script::VarRef CreateArray(script::TOL_Var* self, script::TOL_VarObArray* args,
                           script::TOL_VarObArray* frame);
// type, file, [row limit] -> an array of instances, one per row of "config\list\" + file;
// an empty STRING with fewer than two arguments.
script::VarRef CreateArrayFromFile(script::TOL_Var* self, script::TOL_VarObArray* args,
                                   script::TOL_VarObArray* frame);
// type, [row] -> a reference to a new instance, or none.
script::VarRef CreateObject(script::TOL_Var* self, script::TOL_VarObArray* args,
                            script::TOL_VarObArray* frame);
// type, file -> a reference to a new instance set from "config\setting\" + file, or none.
script::VarRef CreateObjectDef(script::TOL_Var* self, script::TOL_VarObArray* args,
                               script::TOL_VarObArray* frame);
// [file, [type]] -> a new initializer array holding the rows of "config\list\" + file.
script::VarRef CreateInitializer(script::TOL_Var* self, script::TOL_VarObArray* args,
                                 script::TOL_VarObArray* frame);

}  // namespace tav::engine
