// Helpers shared by the statement compilers (statement_*.cpp); not used elsewhere.
#pragma once

#include <string_view>

#include "script/core/statement.h"

namespace tav::script::detail {

// Cuts "(" ... matching ")" from the front of `source` (after blanks) into `inside`. On failure
// records why, naming the statement (`name`, e.g. "IF") at `keyword`.
bool CutParenthesised(std::string_view keyword, const char* name, SourceRecord& source,
                      std::string_view& inside);

// An expression statement: the text up to ";" at the front of `source`. `statement` stays null
// for a lone ";".
bool ParseExpressionStatement(SourceRecord& source, StatementPtr& statement);

// Why no ";" ends `text`, in words an author can act on.
const char* MissingSemicolonReason(std::string_view text);

}  // namespace tav::script::detail
