// Instances of object types: made by cloning the type, then initialised from a table row or a
// setting file.
#pragma once

#include <cstdint>
#include <string_view>

#include "script/text/text_file.h"
#include "script/core/var_array.h"

namespace tav::engine {

// A new instance of `type`: based on the type, holding copies of its values and sharing its
// functions. When `row` is given, the row then initialises it (formulas in the row are called
// with `frame` and their answers assigned, values assigned). Null without a type.
script::VarRef NewInstance(script::TOL_Var* type, script::TOL_Var* row = nullptr,
                           script::TOL_VarObArray* frame = nullptr);

// Whether `count` new instances of `type` stay within what one request may allocate: each
// instance copies every value the type holds itself. A request beyond it is not carried out.
bool InstancesFit(script::TOL_Var* type, int64_t count);

// Sets members of `instance` from the setting file `path` (a definition file: "MEMBER text"
// lines; text that is an expression is evaluated with `frame`). A file that cannot be read
// changes nothing and answers false.
bool ApplySettingFile(std::string_view path, script::TOL_Var* instance,
                      script::TOL_VarObArray* frame, const script::PathResolver& resolver);

}  // namespace tav::engine
