#pragma once

// SIGINT and SIGTERM close the game politely, as the window's close box does: the handler only
// raises a flag that the hosts' message pumps turn into a Close message. A second signal while
// the first is still unanswered (a script that never pumps) ends the process at once; after
// one signal the stop watchdog (stop_watchdog.h) ends such a process after a grace time.

namespace tav::platform {

void InstallCloseSignals();

// True once for each close request; called by the message pumps.
bool TakeCloseRequest();

}  // namespace tav::platform
