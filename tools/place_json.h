// Place files (a dungeon or a single field, as LoadPlace reads them) as JSON: the top level is
// the stored object itself, {"class": "TOL_VarDungeon", ...} or {"class": "TOL_VarField", ...}
// (see object_json.h and field_json.h), or null for a file holding a null reference. Bytes
// after the object, which the engine does not read, are kept in the wrapped form
// {"place": OBJECT, "trailing_hex": "..."}.
#pragma once

#include <cstdint>
#include <vector>

#include "json_access.h"

namespace tav::tools {

// The JSON of a place file. Throws std::runtime_error with the byte offset when the engine
// refuses the file, or when the file uses a form the JSON cannot keep.
Json DumpPlace(const std::vector<uint8_t>& bytes);

// The bytes of the place file `place` describes. Throws JsonError naming the JSON path of a bad
// field, or when the engine would refuse the result.
std::vector<uint8_t> BuildPlace(const Json& place);

}  // namespace tav::tools
