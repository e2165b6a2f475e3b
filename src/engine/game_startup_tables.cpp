// Loading the numbered strings (config\string.def) and music names (config\music.def).
#include <cstdint>

#include "engine/game_system.h"
#include "os/diagnostics.h"
#include "script/text/number_text.h"

namespace tav::engine {

namespace {

using platform::Diagnose;
using platform::Severity;

bool IsDecimal(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Every key a decimal number, the value its text. Reading stops at the first key that is not a
// number (or too large for one) or that repeats an earlier number; the entries before it stay.
void ReadNumberedTable(const char* path, const script::PathResolver& resolver,
                       std::map<int, std::string>& table) {
  std::optional<script::PairList> list = script::ReadDefinitionFile(path, resolver);
  if (!list) return;
  for (const script::DefinitionPair& pair : *list) {
    const int64_t number = IsDecimal(pair.key) ? script::Integer64Prefix(pair.key) : -1;
    if (number < 0 || number > INT32_MAX) {
      Diagnose(Severity::Warning, pair.Where(),
               "\"" + pair.key + "\" is not a number; the rest of the table is not read");
      return;
    }
    if (!table.emplace(static_cast<int>(number), pair.value).second) {
      Diagnose(Severity::Warning, pair.Where(),
               "number " + pair.key + " appears twice; the rest of the table is not read");
      return;
    }
  }
}

}  // namespace

void TAV_GameSystem::LoadNumberedTables() {
  ReadNumberedTable("config\\string.def", resolver_, strings_);
  ReadNumberedTable("config\\music.def", resolver_, music_);
}

}  // namespace tav::engine
