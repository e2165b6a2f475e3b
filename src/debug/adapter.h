// `tav --debug-adapter`: the Debug Adapter Protocol on standard input and output, the game in
// this process.
#pragma once

#include <functional>

#include "debug/debugger_state.h"

namespace tav::debug {

// Runs the adapter: answers the editor until it launches a game, runs it with `runGame` (which
// answers the exit code) on this thread, and reports its end. Answers the process's exit code.
int RunDebugAdapter(const std::function<int(const LaunchArguments&)>& runGame);

// For the shell: whether a debugger is attached, and (windowed) what keeps the window alive
// while the game is stopped.
bool DebuggerAttached();
void SetStoppedPump(std::function<void()> pump);
// The player closed the window while stopped: breakpoints go and the game runs on to its close.
void RequestTerminate();

}  // namespace tav::debug
