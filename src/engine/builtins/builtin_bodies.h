// The bodies of the global built-in functions, one C++ function per script function.
//
// Each has the native-function shape: `self` is the caller's THIS (unused by built-ins), `args`
// the argument array (null when the frame has none), `frame` the call frame. Missing or unsuitable
// arguments never fail: they give the function's default result. The table that names them in
// their fixed order is in builtin_functions.cpp; the object-creating functions are in
// object_functions.h.
#pragma once

#include <string>

#include "script/core/var.h"
#include "script/core/var_array.h"

namespace tav::engine::builtins {

#define TAV_BUILTIN(name) \
  script::VarRef name(script::TOL_Var* self, script::TOL_VarObArray* args, script::TOL_VarObArray* frame)

// Control, time, dialogs, data (control_functions.cpp).
TAV_BUILTIN(CreateMap);
TAV_BUILTIN(LoadPlace);
TAV_BUILTIN(LoadString);
TAV_BUILTIN(CreateRandom);
TAV_BUILTIN(CollectGarbage);
TAV_BUILTIN(CollectGarbageAll);
TAV_BUILTIN(Exit);
TAV_BUILTIN(Sleep);
TAV_BUILTIN(Wait);
TAV_BUILTIN(GetTickCount);
TAV_BUILTIN(MessageBox);
TAV_BUILTIN(InputBox);

// Sound (sound_functions.cpp).
TAV_BUILTIN(PlayMusic);
TAV_BUILTIN(PlayMusicFile);
TAV_BUILTIN(StopMusic);
TAV_BUILTIN(PlayingMusic);
TAV_BUILTIN(PlaySound);
TAV_BUILTIN(StopSound);
TAV_BUILTIN(PlayingSound);

// Views (view_functions.cpp).
TAV_BUILTIN(CreateView);
TAV_BUILTIN(ModalView);
TAV_BUILTIN(RefreshView);
TAV_BUILTIN(ModalRefresh);
TAV_BUILTIN(DestroyView);
TAV_BUILTIN(InitializeView);
TAV_BUILTIN(GetTopView);
TAV_BUILTIN(UpdateView);
// Keyboard (keyboard_functions.cpp).
TAV_BUILTIN(GetKeyState);
TAV_BUILTIN(GetKbState);
TAV_BUILTIN(GetLastKeyState);

// Timed remove events (timed_events.cpp).
TAV_BUILTIN(SetTimeRemoveEvent);
TAV_BUILTIN(CancelTimeRemoveEvent);
TAV_BUILTIN(ExecTimeRemoveEvent);

// Random numbers (random_functions.cpp).
TAV_BUILTIN(Rand);
TAV_BUILTIN(Dice);
TAV_BUILTIN(SelectIndex);

// Values and inspection (inspection_functions.cpp).
TAV_BUILTIN(RGB);
TAV_BUILTIN(GetAddr);
TAV_BUILTIN(GetClassName);
TAV_BUILTIN(GetRefAddr);
TAV_BUILTIN(GetRefClassName);

#undef TAV_BUILTIN

// The table escapes of numbered strings, applied in this order over the whole text: "\\\\" to
// one backslash, then "\\r" to a carriage return, then "\\n" to a line feed. Two-byte Shift-JIS
// characters are skipped whole, so a trail byte 0x5C never starts an escape.
std::string ExpandStringEscapes(std::string text);

// The process-wide keyboard snapshot of GetKbState back to all zero (tests only).
void ClearKeyboardSnapshot();

}  // namespace tav::engine::builtins
