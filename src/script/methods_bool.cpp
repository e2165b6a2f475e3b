#include "script/builtin_methods.h"
#include "script/method_args.h"
#include "script/method_table.h"

namespace tav::script {

// BOOL has only the conversions.
void DefineBoolMethods() { DefineConversionMethods(kBoolMethods); }

}  // namespace tav::script
