#pragma once

// The crash report: a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP) becomes the Japanese
// exception report this engine shows for an unhandled exception, with an optional log
// file for the game's developers (see crash_log.h for its contents).
//
// Windowed, the report is a message box offering to save the log, continue or quit. Headless
// there are no dialogs: the report goes to standard error, the log to crashLogPath when one was
// given, and the process ends with exit code 255. A breakpoint (int3) is reported and execution
// continues after it; a single-step trap just clears the trap flag.
//
// A fault raised by an instruction can never be continued from (returning would run the same
// instruction again and fault forever), so every answer that would continue after one ends the
// process with exit code 255 instead.

#include <string>

namespace tav::platform {

struct CrashReportOptions {
  bool headless = false;
  // Where the log goes without asking. Empty: windowed asks for a path, headless writes none.
  std::string crashLogPath;
};

// Prepares everything the report needs (texts converted to Shift-JIS, the executable's path, the
// file chooser), so that the signal handler itself converts and allocates nothing. Call early,
// before InstallCrashFilter; calling it again replaces the options.
void ConfigureCrashReport(const CrashReportOptions& options);

// Installs the handlers (once per process) and gives the calling thread an alternate signal
// stack, so that a stack overflow on this thread is reported too. Call on every thread that
// should survive its own stack overflow long enough to report it. Uses windowed defaults when
// ConfigureCrashReport was not called.
void InstallCrashFilter();

}  // namespace tav::platform
