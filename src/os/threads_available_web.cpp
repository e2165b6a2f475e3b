#include "os/threads_available.h"

namespace tav::platform {

bool ThreadsAvailable() { return false; }

}  // namespace tav::platform
