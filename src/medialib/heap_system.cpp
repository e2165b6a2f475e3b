// The library heap in sanitizer and fuzz builds: every block is its own system allocation, so
// that AddressSanitizer sees overflows and use-after-free in the code that uses the heap. A small
// header before every block records its heap and length (eslHeapGetLength, the leak dump), and the
// live blocks of a heap form a list so that destroying the heap frees them.

#include "medialib/heap.h"

#ifdef TAV_NO_POOLS

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace tav::medialib {

// Every block is a system allocation starting with this header; the live blocks of a heap form
// a list in allocation order, so that destroying a heap frees them all and the dump lists them.
struct BlockHeader {
  BlockHeader* previous;
  BlockHeader* next;
  EslHeap* heap;
  uint32_t size;  // payload bytes, a multiple of 8
  uint32_t tag;   // kLiveTag while allocated; directly before the payload
};
static_assert(sizeof(BlockHeader) % 16 == 0, "payloads keep the allocator's 16-byte alignment");

struct EslHeap {
  std::recursive_mutex mutex;
  bool lockable = true;
  uint32_t flags = 0;
  std::atomic<int> references{1};
  EslHeap* parent = nullptr;
  BlockHeader* first = nullptr;
  BlockHeader* last = nullptr;
};

namespace {

constexpr uint32_t kLiveTag = 0x4C425345;  // "ESBL"
constexpr size_t kDumpBytes = 16;


// Holds the heap's lock for a scope. The lock is recursive, so a caller that already holds it
// (and passes kEslHeapNoLock) is served as well; the per-call flag therefore needs no special case.
class HeapLock {
 public:
  explicit HeapLock(EslHeap& heap) : heap_(heap) {
    if (heap_.lockable) heap_.mutex.lock();
  }
  ~HeapLock() {
    if (heap_.lockable) heap_.mutex.unlock();
  }
  HeapLock(const HeapLock&) = delete;
  HeapLock& operator=(const HeapLock&) = delete;

 private:
  EslHeap& heap_;
};

EslHeap& Resolve(EslHeap* heap) { return heap != nullptr ? *heap : *eslGetGlobalHeap(); }

unsigned char* PayloadOf(BlockHeader* block) {
  return reinterpret_cast<unsigned char*>(block) + sizeof(BlockHeader);
}

// The header of a live block, or null when the pointer cannot be one.
BlockHeader* HeaderOf(const void* pointer) {
  auto address = reinterpret_cast<uintptr_t>(pointer);
  if (address == 0 || address % 8 != 0 || address < sizeof(BlockHeader)) return nullptr;
  auto* block = reinterpret_cast<BlockHeader*>(address - sizeof(BlockHeader));
  return block->tag == kLiveTag ? block : nullptr;
}

// 0 becomes 8; sizes beyond the largest block answer 0 (cannot be met).
size_t BlockSize(size_t requested) {
  if (requested > kEslHeapMaxBlock) return 0;
  return requested == 0 ? 8 : (requested + 7) & ~size_t{7};
}

void Link(EslHeap& heap, BlockHeader* block) {
  block->previous = heap.last;
  block->next = nullptr;
  if (heap.last != nullptr) {
    heap.last->next = block;
  } else {
    heap.first = block;
  }
  heap.last = block;
}

void Unlink(EslHeap& heap, BlockHeader* block) {
  (block->previous != nullptr ? block->previous->next : heap.first) = block->next;
  (block->next != nullptr ? block->next->previous : heap.last) = block->previous;
}

void Release(BlockHeader* block) {
  block->tag = 0;  // a stale pointer to it no longer passes for a block
  std::free(block);
}

}  // namespace

EslHeap* eslHeapCreate(size_t /*initialSize*/, size_t /*growSize*/, uint32_t flags,
                       EslHeap* parent) {
  auto heap = std::make_unique<EslHeap>();
  heap->flags = flags;
  heap->lockable = (flags & kEslHeapNoLock) == 0;
  if (parent != nullptr) {
    parent->references.fetch_add(1);
    heap->parent = parent;
  }
  return heap.release();
}

void eslHeapDestroy(EslHeap* heap) {
  if (heap == nullptr || heap->references.fetch_sub(1) != 1) return;
  std::unique_ptr<EslHeap> owned(heap);
  for (BlockHeader* block = owned->first; block != nullptr;) {
    BlockHeader* next = block->next;
    Release(block);
    block = next;
  }
  if (owned->parent != nullptr) eslHeapDestroy(owned->parent);
}

void* eslHeapAllocate(EslHeap* heap, size_t size, uint32_t flags) {
  EslHeap& target = Resolve(heap);
  size_t blockSize = BlockSize(size);
  if (blockSize == 0) return nullptr;
  auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + blockSize));
  if (block == nullptr) return nullptr;
  block->heap = &target;
  block->size = static_cast<uint32_t>(blockSize);
  block->tag = kLiveTag;
  if (((flags | target.flags) & kEslHeapZeroFill) != 0) memset(PayloadOf(block), 0, blockSize);
  HeapLock lock(target);
  Link(target, block);
  return PayloadOf(block);
}

int eslHeapFree(EslHeap* heap, void* pointer, uint32_t /*flags*/) {
  if (pointer == nullptr) return 0;
  EslHeap& target = Resolve(heap);
  BlockHeader* block = HeaderOf(pointer);
  if (block == nullptr || block->heap != &target) {
    TraceInvalidFree();
    return 0;
  }
  {
    HeapLock lock(target);
    Unlink(target, block);
  }
  Release(block);
  return 0;
}

void* eslHeapReallocate(EslHeap* heap, void* pointer, size_t size, uint32_t flags) {
  if (pointer == nullptr) return eslHeapAllocate(heap, size, flags);
  EslHeap& target = Resolve(heap);
  BlockHeader* block = HeaderOf(pointer);
  size_t blockSize = BlockSize(size);
  if (block == nullptr || block->heap != &target || blockSize == 0) return nullptr;

  HeapLock lock(target);
  size_t oldSize = block->size;
  // The neighbours point at the block, so it leaves the list while realloc may move it.
  Unlink(target, block);
  auto* moved = static_cast<BlockHeader*>(std::realloc(block, sizeof(BlockHeader) + blockSize));
  if (moved == nullptr) {
    Link(target, block);
    return nullptr;
  }
  moved->size = static_cast<uint32_t>(blockSize);
  Link(target, moved);
  if (((flags | target.flags) & kEslHeapZeroFill) != 0) {
    size_t keep = std::min(oldSize, size);
    memset(PayloadOf(moved) + keep, 0, blockSize - keep);
  }
  return PayloadOf(moved);
}

std::ptrdiff_t eslHeapGetLength(EslHeap* /*heap*/, const void* pointer) {
  const BlockHeader* block = HeaderOf(pointer);
  return block != nullptr ? static_cast<std::ptrdiff_t>(block->size) : -1;
}

void eslHeapLock(EslHeap* heap) {
  EslHeap& target = Resolve(heap);
  if (target.lockable) target.mutex.lock();
}

void eslHeapUnlock(EslHeap* heap) {
  EslHeap& target = Resolve(heap);
  if (target.lockable) target.mutex.unlock();
}

void eslHeapDump(EslHeap* heap, int maxCount) {
  EslHeap& target = Resolve(heap);
  HeapLock lock(target);
  int listed = 0;
  for (BlockHeader* block = target.first; block != nullptr && listed < maxCount;
       block = block->next, ++listed) {
    if (listed == 0) fputs("ESL の解放されていないメモリブロックがあります\n", stderr);
    const unsigned char* payload = PayloadOf(block);
    fprintf(stderr, "block %016llXH (%u bytes) :",
            static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(payload)), block->size);
    for (size_t i = 0; i < std::min<size_t>(kDumpBytes, block->size); ++i) {
      fprintf(stderr, " %02X", payload[i]);
    }
    fputc('\n', stderr);
  }
}

EslHeapInfo eslHeapGetInfo(EslHeap* heap) {
  EslHeap& target = Resolve(heap);
  HeapLock lock(target);
  EslHeapInfo info;
  for (BlockHeader* block = target.first; block != nullptr; block = block->next) {
    ++info.allocatedBlocks;
  }
  return info;
}

}  // namespace tav::medialib

#endif  // TAV_NO_POOLS
