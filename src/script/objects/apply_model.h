// Initialising an object from a model object (a type's defaults, a table row).
#pragma once

#include "script/core/var.h"

namespace tav::script {

// For each member of `model` (its base object's first) that `target` also has: a callable model
// member is called and its answer assigned; a model array sizes the target's array and fills it
// element by element; any other model value is assigned (or cloned into a non-value target).
// Expression callables replace the target's own expression callables.
void ApplyModel(TOL_Var* model, TOL_Var* target, TOL_VarObArray* frame);

}  // namespace tav::script
