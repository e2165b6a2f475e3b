#include "os/threads_available.h"

namespace tav::platform {

bool ThreadsAvailable() { return true; }

}  // namespace tav::platform
