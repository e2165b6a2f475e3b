// How the game system's construction can fail: a required file that cannot be opened (the game
// cannot start at all), or a step that stops construction early (the game then runs on with
// whatever was loaded before that step, which is what existing games rely on).
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace tav::engine {

// A required file that cannot be opened: the game cannot start. `what()` names the file.
class RequiredFileError : public std::runtime_error {
 public:
  explicit RequiredFileError(const std::string& gamePath)
      : std::runtime_error("cannot open " + gamePath), gamePath_(gamePath) {}
  const std::string& GamePath() const { return gamePath_; }

 private:
  std::string gamePath_;
};

// The steps of the game system's construction, in the order they run.
enum class StartupStep {
  None,              // construction did not stop
  PrepareFields,     // value classes known, the global object and the timed events made
  CreateBaseScreen,  // the base screen of the view stack
  DeclareGlobals,    // config\global.def
  AddBuiltins,       // the built-in functions and engine integers
  DefineConstants,   // config\define.def
  BindGlobalForms,   // config\form.def and config\form_*.def
  BindGlobalFuncs,   // the FUNC files of the global folder
  CompileStartup,    // config\startup.tas
  BuildTypes,        // config\model.def and the object types
  LoadViews,         // config\view.def, the stored views and their handlers
  LoadTables,        // config\string.def and config\music.def
};

// What the diagnostics call the step: "defining constants" ...
const char* StartupStepName(StartupStep step);

// Why construction stopped early (`step` None: it did not).
struct StartupStop {
  StartupStep step = StartupStep::None;
  std::string where;   // "config\define.def:3" or a file
  std::string reason;
};

// A stop caused by a script file, from the compiler's message "path:line: reason" (or
// "path: reason"): `where` gets the path and line, `reason` the rest.
inline StartupStop ScriptFileStop(StartupStep step, std::string_view path, const std::string& message) {
  StartupStop stop{step, std::string(path), message};
  if (message.compare(0, path.size(), path) != 0) return stop;
  size_t at = path.size();
  if (at < message.size() && message[at] == ':') {
    size_t digits = at + 1;
    while (digits < message.size() && message[digits] >= '0' && message[digits] <= '9') ++digits;
    if (digits > at + 1) at = digits;
  }
  stop.where = message.substr(0, at);
  if (message.compare(at, 2, ": ") == 0) at += 2;
  stop.reason = message.substr(at);
  return stop;
}

}  // namespace tav::engine
