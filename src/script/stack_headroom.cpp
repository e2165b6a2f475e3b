#include "script/stack_headroom.h"

#include <pthread.h>

#include <cstdint>
#include <limits>

namespace tav::script {
namespace {

// The lowest address of this thread's stack (stacks grow down on every target we build for);
// 0 when it cannot be found out.
uintptr_t StackLimit() {
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return 0;
  void* low = nullptr;
  size_t size = 0;
  const int rc = pthread_attr_getstack(&attr, &low, &size);
  pthread_attr_destroy(&attr);
  return rc == 0 ? reinterpret_cast<uintptr_t>(low) : 0;
}

}  // namespace

size_t StackHeadroom() {
  // Found once per thread; a plain thread-local needs no guard on every call.
  thread_local uintptr_t limit = 1;
  if (limit == 1) [[unlikely]] limit = StackLimit();
  // The frame address, not a local's: sanitizers may move locals to a separate stack.
  const auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  if (limit == 0 || here <= limit) return limit == 0 ? std::numeric_limits<size_t>::max() : 0;
  return here - limit;
}

}  // namespace tav::script
