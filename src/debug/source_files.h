// The game's script files as the debugger sees them.
//
// The engine names a source as the game wrote it ("config\Global\Fact.tas"), relative to the
// game folder, and finds files case-insensitively; the editor names them by absolute path. Both
// become a key: relative to the game folder, '/' separators, lower case. The compiler reports
// each statement's position (platform::SetStatementPositionObserver), which tells the lines
// that hold statements. Thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "os/running_position.h"

namespace tav::debug {

class SourceFiles {
 public:
  static SourceFiles& Instance();

  void SetGameFolder(const std::string& folder);
  const std::string& GameFolder() const { return gameFolder_; }

  // The key of an editor path or an engine source name.
  std::string KeyOf(std::string_view path) const;
  // The file on disk for a key (found case-insensitively), or nullopt.
  std::optional<std::string> RealPathOf(const std::string& key) const;
  // The key of a registered source id ("" for an unknown id).
  std::string KeyOfId(uint32_t id);
  // The name a stack frame shows for a source id: "startup", "Fact", "Counter.Inc".
  std::string FunctionNameOfId(uint32_t id);
  // Whether a script file of the game folder is the body of the function `name` (lower case:
  // "fact", "counter.inc").
  bool HasFunction(const std::string& name) const;
  // The lines that hold statements in the file of `key`; nullopt if it was never compiled.
  std::optional<std::set<int>> StatementLines(const std::string& key);

  static void ObservePosition(platform::SourcePosition position);

 private:
  std::string gameFolder_;
};

// "Counter.Inc" for "config/model/Counter/Inc.tas": the file's stem, after its folder unless
// that is a plain script folder (config, global). Keeps the letter case given.
std::string FunctionNameOfPath(std::string_view path);

}  // namespace tav::debug
