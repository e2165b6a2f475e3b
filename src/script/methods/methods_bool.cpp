#include "script/methods/builtin_methods.h"
#include "script/methods/method_args.h"
#include "script/core/method_table.h"

namespace tav::script {

// BOOL has only the conversions.
void DefineBoolMethods() { DefineConversionMethods(kBoolMethods); }

}  // namespace tav::script
