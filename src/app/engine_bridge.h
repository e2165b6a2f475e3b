// The engine as the shell drives it: start-up of the game system, the picture, input, and
// closing while scripts run.
#pragma once

#include <memory>
#include <string>

#include "app/game_view.h"
#include "platform/game_path.h"

namespace tav::app {

// What the first showing found out about the game's start.
struct StartReport {
  bool missingRequiredFile = false;  // the game could not start (message already shown)
  bool stoppedEarly = false;         // a construction step stopped silently
};

// The factory the shell hands to its game view: creates the game system in the current
// directory (the game folder); the view then runs the start-up script.
EngineFactory MakeEngineFactory(platform::GamePathResolver& paths, StartReport& report);

}  // namespace tav::app
