#include "script/pool.h"

#include <array>
#include <atomic>
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

// Values are made and dropped on the script thread, but the pool is process-wide, so it is
// guarded; an uncontended spin lock costs a few instructions.
class SpinLock {
 public:
  void lock() {
    while (flag_.test_and_set(std::memory_order_acquire)) {
    }
  }
  void unlock() { flag_.clear(std::memory_order_release); }

 private:
  std::atomic_flag flag_ = ATOMIC_FLAG_INIT;
};

struct Pools {
  SpinLock lock;
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

Pools& ThePools() {
  // Never destroyed: values may still be released by static destructors at exit.
  static Pools* pools = new Pools;
  return *pools;
}

}  // namespace

void* PoolAllocate(size_t size) {
  if (size == 0 || size > kLargestPooled) return ::operator new(size);
  size_t cls = (size - 1) / kGranule;
  Pools& pools = ThePools();
  std::lock_guard guard(pools.lock);
  if (!pools.free[cls]) pools.Refill(cls);
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
  std::lock_guard guard(pools.lock);
  auto* freed = static_cast<FreeBlock*>(block);
  freed->next = pools.free[cls];
  pools.free[cls] = freed;
}

#else

void* PoolAllocate(size_t size) { return ::operator new(size); }
void PoolFree(void* block, size_t) noexcept { ::operator delete(block); }

#endif

}  // namespace tav::script
