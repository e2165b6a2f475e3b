#pragma once

// The watchdog for polite stops.
//
// A close request (SIGINT, SIGTERM, the close box, the last line of an event file) is answered
// by the engine when it next pumps messages. A script that loops without pumping never gets
// there, so a thread watches: once a stop is pending, the engine must reach a message pump at
// least every two seconds. If it does not, the watchdog names what was running (the published
// position, running_position.h), runs the emergency-exit hooks and ends the process with exit
// code 4 - headless at once, windowed once the player confirms that the game is not responding.
// A game that pumps (Wait, modal loops, the main loop) is never cut short.
//
// The watchdog thread touches no engine state: it reads atomics and the published position.

#include <cstdint>
#include <functional>
#include <string>

namespace tav::platform {

constexpr int kExitPoliteStop = 4;

struct WatchdogOptions {
  uint32_t graceMs = 2000;
  // Windowed: asks the player whether to end the game (`what` names the running position,
  // UTF-8); true to end it. Called on the watchdog thread. Empty: end without asking.
  std::function<bool(const std::string& what)> confirm;
};

// Starts the watchdog thread (once; a second call only replaces the options).
void StartStopWatchdog(WatchdogOptions options);
// Stops and joins it: the shell calls this once its message loop is over and teardown begins.
void StopStopWatchdog();

// A stop was requested. Async-signal-safe (one atomic store).
void NoteStopRequested();
// A message pump was reached. Called by every pump; cheap.
void NotePump();

// A callback the host runs (on the engine's thread) to collect window input while a script
// runs without pumping, so that the close box is seen at all. Empty: none.
void SetBusyPoll(std::function<void()> poll);

// Work that must be done before the watchdog ends the process (completing a WAV header, say).
// Hooks run on the watchdog thread, in registration order, while the engine's thread is still
// running: they must only touch state that is safe to touch from another thread.
void OnEmergencyExit(std::function<void()> hook);
// Runs the hooks (each once) and ends the process with `code` without running destructors.
[[noreturn]] void EmergencyExit(int code);

}  // namespace tav::platform
