// Name resolution and the frame of the running evaluation.
#pragma once

#include "script/formulate.h"

namespace tav::script {

// Turns a name item into a variable item: the frame's own members (after the array methods),
// then frame slots 1 (THIS), 2 (WITH), 3 (globals) and 4; a hit in slot 1, 2 or 4 records that
// slot's value as the item's owner. A name found nowhere becomes the literal INT 0.
void Resolve(FormulaItem& item);

// The frame of the innermost evaluation in progress, or null.
TOL_VarObArray* CurrentFrame();

}  // namespace tav::script
