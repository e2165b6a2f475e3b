// `tav --check` findings about what a script calls: a name nothing defines (a typing mistake that
// silently does nothing), and a literal file name given to a built-in that reads it but names no
// file (LoadPlace, PlaySound, PlayMusic, LoadString's texts, the list and setting readers).
#pragma once

#include <set>
#include <string>

#include "app/check_names.h"
#include "app/check_report.h"
#include "platform/game_path.h"
#include "script/text/source_scanner.h"

namespace tav::app {

// `file` is the script's game name; `locals` the upper-case names the script declares itself.
void CheckCalls(CheckReport& report, platform::GamePathResolver& paths, const GameNames& names,
                const std::string& file, const script::CommentFreeText& source, const std::set<std::string>& locals);

}  // namespace tav::app
