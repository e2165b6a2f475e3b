#include "script/base/stack_headroom.h"

#include <pthread.h>

namespace tav::script::stack_detail {

uintptr_t FindStackLimit() {
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return 0;
  void* low = nullptr;
  size_t size = 0;
  const int rc = pthread_attr_getstack(&attr, &low, &size);
  pthread_attr_destroy(&attr);
  return rc == 0 ? reinterpret_cast<uintptr_t>(low) : 0;
}

}  // namespace tav::script::stack_detail
