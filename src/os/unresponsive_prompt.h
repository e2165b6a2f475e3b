#pragma once

#include <string>

namespace tav::platform {

// Asks the player, in the system's own message box (safe on any thread: it does not use the
// game's window), whether to end a game that does not respond to the close request. `what`
// names what the game is running (UTF-8). True to end it.
bool AskEndUnresponsiveGame(const std::string& what);

}  // namespace tav::platform
