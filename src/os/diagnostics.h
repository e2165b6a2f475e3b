#pragma once

// Why something did not work, for authors: every layer reports here instead of printing. Lines go
// to standard error (errors always, the rest with -v) and, all of them, to the --log file.
// Thread-safe.

#include <string>
#include <string_view>

namespace tav::platform {

enum class Severity { Info, Warning, Error };

void SetVerbose(bool verbose);

// Opens (truncates) the log file; false when it cannot be created. Replaces an earlier one.
bool OpenLogFile(const std::string& path);
void CloseLogFile();

// Who must see a line on standard error: errors are always shown; warnings and information only
// with -v, unless the author needs them to make sense of a run at all (a start-up file that did
// not fully load, an event file that no longer matches the game).
enum class Shown { WhenVerbose, Always };

// `where` is "file:line" or empty. Written as "where: warning: message".
void Diagnose(Severity severity, std::string_view where, std::string_view message,
              Shown shown = Shown::WhenVerbose);

}  // namespace tav::platform
