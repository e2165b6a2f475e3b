// Name resolution and the frame of the running evaluation.
#pragma once

#include <vector>

#include "script/core/formulate.h"

namespace tav::script {

// The frame of the innermost evaluation in progress, or null: for a built-in, the frame of the
// script that called it. It comes filled and as a frame the call built itself, so a built-in may
// set its slots and add or remove members (FramePool::Expose).
TOL_VarObArray* CurrentFrame();

namespace eval {
extern std::vector<TOL_VarObArray*> t_frames;
}

// For the debugger: how many evaluations are in progress, and the frame of the one at `index`
// (0: the outermost), filled and exposed as CurrentFrame's.
inline size_t FrameDepth() { return eval::t_frames.size(); }
TOL_VarObArray* FrameAt(size_t index);

}  // namespace tav::script
