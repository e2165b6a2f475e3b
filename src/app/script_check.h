// `tav --check`: compiles the game's scripts without running anything.
#pragma once

#include <string>

namespace tav::app {

// Compiles every ".tas" file under config/ and prints one line per failure, "path:line: reason"
// with the path as the game names it (config\view\title\LEFTDOWN3.tas), then a summary.
// Answers the exit code: 1 when anything failed, else 0.
int CheckGameScripts(const std::string& gameDir);

}  // namespace tav::app
