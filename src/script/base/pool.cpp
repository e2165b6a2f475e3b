#include "script/base/pool.h"

#include <array>
#include <memory>
#include <new>
#include <vector>

namespace tav::script {

#ifndef TAV_NO_POOLS
namespace {

constexpr size_t kGranule = 16;
constexpr size_t kLargestPooled = 256;
constexpr size_t kClasses = kLargestPooled / kGranule;
constexpr size_t kChunkBytes = 64 * 1024;

struct FreeBlock {
  FreeBlock* next;
};

// Each thread has its own free lists, so taking and returning a block needs no lock: values are
// made and dropped on the script thread almost always, and a lock taken twice per value was a
// tenth of a script's running time. A block freed on another thread than the one that took it
// simply joins that thread's lists; blocks are plain memory of their size class either way.
struct Pools {
  std::array<FreeBlock*, kClasses> free{};
  std::vector<std::unique_ptr<std::byte[]>> chunks;

  void Refill(size_t cls) {
    size_t blockSize = (cls + 1) * kGranule;
    auto chunk = std::make_unique<std::byte[]>(kChunkBytes);
    std::byte* base = chunk.get();
    size_t count = kChunkBytes / blockSize;
    for (size_t i = count; i-- > 0;) {
      auto* block = reinterpret_cast<FreeBlock*>(base + i * blockSize);
      block->next = free[cls];
      free[cls] = block;
    }
    chunks.push_back(std::move(chunk));
  }
};

// A plain pointer (no constructor to run) keeps the thread-local access a single load. Never
// destroyed: values may still be released by static destructors at exit, and blocks of a
// thread that ended may live on in values other threads hold.
thread_local Pools* t_pools = nullptr;

Pools& ThePools() {
  if (!t_pools) [[unlikely]] t_pools = new Pools;
  return *t_pools;
}

}  // namespace

void* PoolAllocate(size_t size) {
  if (size == 0 || size > kLargestPooled) return ::operator new(size);
  size_t cls = (size - 1) / kGranule;
  Pools& pools = ThePools();
  if (!pools.free[cls]) [[unlikely]] pools.Refill(cls);
  FreeBlock* block = pools.free[cls];
  pools.free[cls] = block->next;
  return block;
}

void PoolFree(void* block, size_t size) noexcept {
  if (!block) return;
  if (size == 0 || size > kLargestPooled) {
    ::operator delete(block);
    return;
  }
  size_t cls = (size - 1) / kGranule;
  Pools& pools = ThePools();
  auto* freed = static_cast<FreeBlock*>(block);
  freed->next = pools.free[cls];
  pools.free[cls] = freed;
}

#else

void* PoolAllocate(size_t size) { return ::operator new(size); }
void PoolFree(void* block, size_t) noexcept { ::operator delete(block); }

#endif

}  // namespace tav::script
