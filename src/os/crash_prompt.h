#pragma once

// The questions a crash report asks: message boxes and the file chooser for the log. Called from
// inside the crash signal handler; nothing here allocates before the dialog toolkit itself.

#include <cstddef>
#include <string>

namespace tav::platform {

enum class CrashAnswer { kYes, kNo, kCancel, kNoDialog };

// A Yes/No (or Yes/No/Cancel) box. Closing the box answers Cancel (No without a Cancel button);
// kNoDialog means no box could be shown at all (no display).
CrashAnswer AskCrashQuestion(const char* caption, const char* text, bool withCancel);

enum class LogPathChoice { kChosen, kCancelled, kNoChooser };

// The full path of the file chooser program, empty when none is installed. Not for the handler:
// call it beforehand and keep the answer.
std::string FindLogFileChooser();

// Runs the chooser and leaves the chosen path, with ".log" added when it has no extension, in
// path (capacity bytes). kNoChooser when there is none or it could not run.
LogPathChoice AskForLogPath(const std::string& chooser, char* path, size_t capacity);

}  // namespace tav::platform
