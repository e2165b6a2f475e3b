// View files (".tav") as JSON: the view's own fields at the top level (it has no class record in
// the file), its members, font and children as archive objects (see object_json.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "json_access.h"

namespace tav::tools {

// Registers the script, view and screen value classes the engine reads view files with.
void InitializeEngineClasses();

// The JSON of a view file. Throws std::runtime_error with the byte offset when the engine
// refuses the file, or when the file uses a form the JSON cannot keep (then a build from the
// JSON would not give the same bytes, so no JSON is given).
Json DumpView(const std::vector<uint8_t>& bytes);

// The bytes of the view file `view` describes. Throws JsonError naming the JSON path of a bad
// field. `warnings` receives what the engine would accept but probably is a mistake.
std::vector<uint8_t> BuildView(const Json& view, std::vector<std::string>& warnings);

}  // namespace tav::tools
