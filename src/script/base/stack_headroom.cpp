#include "script/base/stack_headroom.h"

#if defined(__EMSCRIPTEN__)
#include <emscripten/stack.h>
#else
#include <pthread.h>
#endif

namespace tav::script::stack_detail {

uintptr_t FindStackLimit() {
#if defined(__EMSCRIPTEN__)
  // WebAssembly's C stack is emscripten's own region; its thread attributes do not describe it
  // (without threads they answer an address above the stack, and every call would be refused).
  return emscripten_stack_get_end();
#else
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return 0;
  void* low = nullptr;
  size_t size = 0;
  const int rc = pthread_attr_getstack(&attr, &low, &size);
  pthread_attr_destroy(&attr);
  return rc == 0 ? reinterpret_cast<uintptr_t>(low) : 0;
#endif
}

}  // namespace tav::script::stack_detail
