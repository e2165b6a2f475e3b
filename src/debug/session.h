// The adapter's reader thread: reads the editor's requests and answers them, handing those that
// read the stopped game to the engine thread (stopping.h).
#pragma once

#include "debug/debugger_state.h"

namespace tav::debug {

// Serves requests from `inFd` until the input ends, the editor disconnects after the game
// ended, or `stopFd` becomes readable.
void ServeRequests(DebuggerState& d, int inFd, int stopFd);

// Answers setBreakpoints. `mayCompile`: on the engine thread while no script runs, a file the
// game has not compiled yet is compiled to learn its statement lines.
void AnswerSetBreakpoints(DebuggerState& d, const Json& request, bool mayCompile);

}  // namespace tav::debug
