// Place files: one archive object, a dungeon or a single field (class record included), as the
// engine's LoadPlace reads them from config\place\. These helpers serve tools and tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "script/core/var.h"

namespace tav::dungeon {

// The object a place file holds (none for a file holding a null reference), or none with
// `error` saying what is wrong and where.
script::VarRef LoadPlaceBytes(std::vector<uint8_t> bytes, std::string& error);
// The bytes of a place file holding `place`.
std::vector<uint8_t> StorePlaceBytes(script::TOL_Var& place);

}  // namespace tav::dungeon
