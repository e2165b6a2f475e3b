// Fixed-size block pools for script values and compiled code.
//
// Scripts create and drop millions of small values; taking them from per-size free lists keeps
// allocation a pointer pop. Blocks are never returned to the system: a freed block waits on its
// size's list for the next value of that size. Builds with sanitizers define TAV_NO_POOLS so that
// every value comes from the ordinary heap, where use-after-free is caught.
#pragma once

#include <cstddef>

namespace tav::script {

void* PoolAllocate(size_t size);
void PoolFree(void* block, size_t size) noexcept;

// Root of everything allocated from the pools (values, formula items, statements).
class TOL_SmallObject {
 public:
  static void* operator new(size_t size) { return PoolAllocate(size); }
  static void operator delete(void* block, size_t size) noexcept { PoolFree(block, size); }
};

}  // namespace tav::script
