// The command line of `tav`.
#pragma once

#include <optional>
#include <string>

namespace tav::app {

struct CommandLine {
  std::string gameDir;        // empty: the bundled demo game
  bool headless = false;
  std::string eventsFile;
  std::optional<uint32_t> seed;
  std::string screenshotFile;
  std::string audioOutFile;
  bool check = false;
  std::string crashLogFile;
  int scale = 1;
  bool fullscreen = false;
  bool monoText = false;
  std::string logFile;
  std::string saveDir;        // empty: $XDG_DATA_HOME/tav/GAME/
  std::string recordFile;     // --record-events: where the session is written as an event file
  bool verbose = false;
  bool debugAdapter = false;  // --debug-adapter: the Debug Adapter Protocol on stdin/stdout
  bool showVersion = false;
  bool showHelp = false;
};

// Parses argv; on a bad command line answers nullopt with `error` set.
std::optional<CommandLine> ParseCommandLine(int argc, const char* const* argv, std::string& error);

const char* UsageText();

}  // namespace tav::app
