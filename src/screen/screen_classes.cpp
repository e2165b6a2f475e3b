#include "screen/screen_classes.h"

#include "archive/object.h"
#include "screen/var_random.h"
#include "screen/var_time.h"

namespace tav::screen {

void RegisterScreenValueClasses() {
  archive::RegisterClass(TOL_VarRandom::kClassInfo);
  archive::RegisterClass(TOL_VarTime::kClassInfo);
  DefineRandomMethods();
  DefineTimeMethods();
}

}  // namespace tav::screen
