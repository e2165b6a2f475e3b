// Message pumping for scripts that wait inside the engine.
//
// `Wait` (and the modal view loops) pump the host's queue themselves while a script is still
// running. What a message does is the shell's business (a click goes to the game view, a close
// ends the program), so the shell installs the dispatcher that those loops hand each message to.
#pragma once

#include <functional>

#include "platform/host.h"

namespace tav::engine {

// The shell's handler for messages pumped from inside scripts; an empty function removes it.
// Without a dispatcher a pumped Close still marks the engine as closing, so that no loop waits
// on after the window was asked to close.
void SetMessageDispatcher(std::function<void(const platform::Message&)> dispatcher);

// Removes one waiting message, if any, and dispatches it. Answers whether one was dispatched:
// false when the queue was empty, and false for the quit message, which is left in place (every
// loop that is still pumping must see it) and marks the engine as closing.
bool PumpOneMessage();

// Blocks until a message arrives and dispatches it; false for the quit message (see above).
bool WaitAndPumpOneMessage();

}  // namespace tav::engine
