#include "app/command_line.h"

#include <charconv>
#include <cstring>

namespace tav::app {
namespace {

template <class T>
bool ParseNumber(const char* text, T& out) {
  const char* end = text + std::strlen(text);
  auto [ptr, ec] = std::from_chars(text, end, out);
  return ec == std::errc() && ptr == end && ptr != text;
}

}  // namespace

const char* UsageText() {
  return "usage: tav [GAME_DIR] [options]\n"
         "  GAME_DIR            the game folder (holding config/); default: the bundled demo game\n"
         "  --headless          no window, no sound hardware, virtual clock\n"
         "  --events FILE       scripted input, one event a line\n"
         "  --seed N            seed the process-wide random generator (default: the time)\n"
         "  --screenshot FILE   write the picture on screen as PNG when the program ends\n"
         "  --audio-out FILE    record the mixer's output as a 44100 Hz 16-bit stereo WAV\n"
         "  --check             compile scripts, definitions and view expressions; report failures\n"
         "  --crash-log FILE    where the crash report's log goes without asking\n"
         "  --scale N           enlarge the window N times\n"
         "  --fullscreen        fill the screen (the picture is scaled)\n"
         "  --mono-text         draw text without anti-aliasing\n"
         "  --log FILE          write diagnostics to FILE\n"
         "  --save-dir DIR      where saved games live (default $XDG_DATA_HOME/tav/GAME/)\n"
         "  --record-events F   write the session as an event file that replays headless\n"
         "                      (tav GAME --headless --seed N --events F; N is in its first line)\n"
         "  --debug-adapter     speak the Debug Adapter Protocol on standard input and output;\n"
         "                      the editor's launch request names the game and its options\n"
         "  -v                  print diagnostics on standard error\n"
         "  --version           print the version and exit\n"
         "  --help              print this text and exit\n"
         "window shortcuts (never seen by the game):\n"
         "  Alt+Enter           full screen on and off (the window can also be resized)\n"
         "  Print Screen, Alt+S save the picture as PNG in the pictures folder\n"
         "  Alt+Up, Alt+Down    master volume up or down by 10 %\n"
         "  Alt+M               mute on and off\n"
         "  Alt+F               fast-forward while held: the game's clock runs 8 times as fast\n"
         "  Alt+Shift+F         fast-forward on until pressed again\n"
         "  Alt+R               restart the game, reading all its files anew\n"
         "volume, mute, full screen and window size are kept in $XDG_CONFIG_HOME/tav/settings.ini\n";
}

std::optional<CommandLine> ParseCommandLine(int argc, const char* const* argv, std::string& error) {
  CommandLine cl;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        error = "option " + arg + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    std::string text;
    if (arg == "--headless") cl.headless = true;
    else if (arg == "--check") cl.check = true;
    else if (arg == "--debug-adapter") cl.debugAdapter = true;
    else if (arg == "--fullscreen") cl.fullscreen = true;
    else if (arg == "--mono-text") cl.monoText = true;
    else if (arg == "-v" || arg == "--verbose") cl.verbose = true;
    else if (arg == "--version") cl.showVersion = true;
    else if (arg == "--help" || arg == "-h") cl.showHelp = true;
    else if (arg == "--events") { if (!value(cl.eventsFile)) return std::nullopt; }
    else if (arg == "--screenshot") { if (!value(cl.screenshotFile)) return std::nullopt; }
    else if (arg == "--audio-out") { if (!value(cl.audioOutFile)) return std::nullopt; }
    else if (arg == "--crash-log") { if (!value(cl.crashLogFile)) return std::nullopt; }
    else if (arg == "--log") { if (!value(cl.logFile)) return std::nullopt; }
    else if (arg == "--record-events") {
      if (!value(cl.recordFile)) return std::nullopt;
      if (cl.recordFile.empty()) {
        error = "--record-events needs a file name";
        return std::nullopt;
      }
    }
    else if (arg == "--save-dir") {
      if (!value(cl.saveDir)) return std::nullopt;
      if (cl.saveDir.empty()) {
        error = "--save-dir needs a folder";
        return std::nullopt;
      }
    }
    else if (arg == "--seed") {
      if (!value(text)) return std::nullopt;
      uint32_t seed = 0;
      if (!ParseNumber(text.c_str(), seed)) {
        error = "--seed needs a whole number from 0 to 4294967295, not \"" + text + "\"";
        return std::nullopt;
      }
      cl.seed = seed;
    } else if (arg == "--scale") {
      if (!value(text)) return std::nullopt;
      if (!ParseNumber(text.c_str(), cl.scale) || cl.scale < 1 || cl.scale > 8) {
        error = "--scale needs a whole number from 1 to 8, not \"" + text + "\"";
        return std::nullopt;
      }
    } else if (!arg.empty() && arg[0] == '-') {
      error = "unknown option " + arg;
      return std::nullopt;
    } else if (cl.gameDir.empty()) {
      cl.gameDir = arg;
    } else {
      error = "more than one game folder given (\"" + cl.gameDir + "\" and \"" + arg + "\")";
      return std::nullopt;
    }
  }
  return cl;
}

}  // namespace tav::app
