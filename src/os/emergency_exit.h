#pragma once

// Shared by both stop watchdogs (stop_watchdog_native.cpp, stop_watchdog_web.cpp); the hooks and
// EmergencyExit themselves are declared in stop_watchdog.h.

#include <string>

namespace tav::platform::detail {

// Writes all of `text` to the file descriptor, unbuffered (nothing to lose at an exit).
void WriteAll(int fd, const std::string& text);

}  // namespace tav::platform::detail
