// Name resolution and the frame of the running evaluation.
#pragma once

#include "script/formulate.h"

namespace tav::script {

// The frame of the innermost evaluation in progress, or null.
TOL_VarObArray* CurrentFrame();

}  // namespace tav::script
