// Start-up step 4: the built-in functions, the engine's integers and the save functions join
// the globals. It lives beside the functions it adds, so that the game system below them never
// includes them.
#include "engine/builtins/builtin_functions.h"
#include "engine/builtins/save_functions.h"
#include "engine/engine_integers.h"
#include "engine/game_system.h"

namespace tav::engine {

// After the declarations, so a declared global with one of these names is replaced.
void TAV_GameSystem::AddBuiltins() {
  AddBuiltinFunctions(globals_.get());
  for (EngineInteger which : kEngineIntegers) {
    globals_->SetMember(EngineIntegerValue(which), EngineIntegerName(which));
  }
  // Not part of the table above: a declared global of the same name keeps its place.
  AddSaveFunctions(globals_.get());
}

}  // namespace tav::engine
