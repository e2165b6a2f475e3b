// JSON text for people: a value that fits on one line stays on one line, larger ones are
// spread over indented lines.
#pragma once

#include <string>

#include "json_access.h"

namespace tav::tools {

std::string PrettyJson(const Json& value);

}  // namespace tav::tools
