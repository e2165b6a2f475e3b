#include "script/core/var_function.h"

namespace tav::script {

TOL_IMPLEMENT_CLASS(TOL_VarFunction)

}  // namespace tav::script
