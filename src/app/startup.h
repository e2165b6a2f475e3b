// Everything main() does between the command line and the message loop.
#pragma once

#include "app/command_line.h"

namespace tav::app {

const char* VersionText();
// Prepares diagnostics, the event file, the crash report and the host, enters the game folder
// and runs the application. Answers the process exit code.
int RunGame(CommandLine options);

}  // namespace tav::app
