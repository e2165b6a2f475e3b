// Table files: comma-separated rows of fields (the engine's instance tables).
//
// A field may be quoted to hold commas; two double quotes in a row stand for one double quote
// wherever they appear. Shift-JIS characters are copied whole. Empty lines are skipped; a line
// ending in a comma has no empty last field, a line starting with one has an empty first field.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/text/text_file.h"

namespace tav::script {

using TableRow = std::vector<std::string>;

TableRow SplitTableLine(std::string_view line);

// Nothing when the file cannot be read; `error` (optional) then says why.
std::optional<std::vector<TableRow>> ReadTableFile(std::string_view path,
                                                   const PathResolver& resolver = {},
                                                   std::string* error = nullptr);

}  // namespace tav::script
