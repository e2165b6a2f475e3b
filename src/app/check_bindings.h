// `tav --check` findings about what start-up binds together: FUNC and FORM globals and the files
// that give them bodies, the types of model.def with their files, and the handler files of the
// views. Each finding says what the run would do: start-up stops (a failure) or the game runs
// on without the thing (a warning).
#pragma once

#include <set>
#include <string>

#include "app/check_report.h"
#include "platform/game_path.h"
#include "screen/var_view.h"

namespace tav::app {

// Constants of define.def that start-up refuses: one defined twice, or one named like a built-in
// constant (NULL, TRUE, FALSE).
void CheckConstants(CheckReport& report, platform::GamePathResolver& paths);

// FUNC globals without their config\global\NAME.tas, FORM globals without a form.def entry.
void CheckGlobalBindings(CheckReport& report, platform::GamePathResolver& paths);

// Types whose .def cannot be read, own FUNC members without their file, bases not defined before.
// Adds every member name the types declare, and their TID_ names, to `names` (upper-case).
void CheckTypes(CheckReport& report, platform::GamePathResolver& paths, std::set<std::string>& names);

// The handler files of a view named in view.def: a file whose name is no handler, a handler for
// an active number no appearance has, an active number without a LEFTDOWN handler.
void CheckHandlerFiles(CheckReport& report, platform::GamePathResolver& paths, const std::string& viewName,
                       const screen::TOL_VarView& view);

}  // namespace tav::app
