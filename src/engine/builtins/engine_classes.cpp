#include "engine/builtins/engine_classes.h"

#include "dungeon/dungeon_classes.h"
#include "engine/init_array.h"
#include "engine/builtins/timed_events.h"
#include "screen/random_sources.h"
#include "screen/screen_classes.h"
#include "screen/view_classes.h"
#include "script/methods/builtin_methods.h"

namespace tav::engine {

void RegisterEngineClasses() {
  script::RegisterBuiltinMethods();
  screen::RegisterScreenValueClasses();
  screen::RegisterRandomSources();
  screen::RegisterViewClasses();
  RegisterTimedEventClasses();
  RegisterInitArrayClass();
  dungeon::RegisterDungeonClasses();
}

}  // namespace tav::engine
