// The engine thread's side: the statement hook that decides where to stop (breakpoints, steps,
// pause) and the loop that holds the game while it is stopped (stopping.cpp); the requests that
// read the stopped game: stack, scopes, variables, setVariable, evaluate (inspection.cpp).
#pragma once

#include "debug/dap_channel.h"

namespace tav::debug {

// Starts looking at statements (installs the hook); stopOnEntry stops at the first one.
void ArmStatementHook(bool stopOnEntry);
void DisarmStatementHook();

// Requests only a stopped game answers; each runs on the engine thread and responds itself.
void AnswerStackTrace(const Json& request);
void AnswerScopes(const Json& request);
void AnswerVariables(const Json& request);
void AnswerSetVariable(const Json& request);
void AnswerEvaluate(const Json& request);

}  // namespace tav::debug
