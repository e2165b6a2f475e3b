// Call frames.
//
// A frame is an array of five slots with named members: slot 0 and member "ARGS" hold the
// argument array, slot 1 and member "THIS" the receiver, slot 2 the screen's WITH object in
// event handlers, slot 3 the engine's global object (passed on to every callee), slot 4 is
// reserved. Empty slots hold empty references. Local variables are members of the frame.
#pragma once

#include "script/core/var_array.h"

namespace tav::script {

enum FrameSlot : int {
  kArgsSlot = 0,
  kThisSlot = 1,
  kWithSlot = 2,
  kGlobalSlot = 3,
  kReservedSlot = 4,
  kFrameSlots = 5,
};

// Well-known member names.
struct Names {
  static Atom Args();
  static Atom This();
};

// A new frame: five empty slots; `args` (may be null) goes to slot 0 and "ARGS", `self` (may
// be null) to slot 1 and "THIS", `globals` (may be null) to slot 3.
Ref<TOL_VarObArray> NewFrame(TOL_Var* args, TOL_Var* self, TOL_Var* globals);

// The empty reference every frame a call builds holds in its WITH and reserved slots.
TOL_Var* SharedEmptySlot();

// What a callee reads from its frame: the argument array (never null for frames built by
// NewFrame with arguments) and the receiver (the target of slot 1, null when empty).
TOL_VarObArray* FrameArgs(TOL_VarObArray* frame);
TOL_Var* FrameThis(TOL_VarObArray* frame);
TOL_Var* FrameGlobals(TOL_VarObArray* frame);

// The argument at `index` (its target when it is a reference), or null when missing.
TOL_Var* Arg(TOL_VarObArray* args, int index);
inline int ArgCount(TOL_VarObArray* args) { return args ? args->GetCount() : 0; }

}  // namespace tav::script
