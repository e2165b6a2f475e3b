// The stack heap: memory handed out by bumping a pointer, released all at once. For scratch
// memory of one task on one thread; it has no lock.
//
// Sanitizer and fuzz builds give every request its own system allocation (kept in a list and
// freed together), so that overruns of a block are still caught; the segment figures are then 0.

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "medialib/heap.h"

namespace tav::medialib {

namespace {

constexpr size_t kPage = 4096;
size_t RoundUp(size_t value, size_t unit) { return (value + unit - 1) / unit * unit; }

}  // namespace

// Segment header, 48 bytes, at the start of each segment; data follows it.
struct alignas(16) EslStackHeap {
  EslStackHeap* next;
  EslStackHeap* current;  // first segment: the one allocations come from
  size_t growSize;
  unsigned char* data;
  size_t capacity;
  size_t used;
#ifdef TAV_NO_POOLS
  void** blocks;  // each request's own allocation, in a growing array
  size_t blockCount;
  size_t blockCapacity;
#endif
};

namespace {

constexpr size_t kStackHeader = sizeof(EslStackHeap);

EslStackHeap* NewStackSegment(size_t size, size_t growSize) {
  void* memory;
  for (;;) {
    memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory != MAP_FAILED) break;
    if (!AskOutOfMemoryRetry()) return nullptr;
  }
  auto* seg = new (memory) EslStackHeap{};
  seg->current = seg;
  seg->growSize = growSize;
  seg->data = static_cast<unsigned char*>(memory) + kStackHeader;
  seg->capacity = size - kStackHeader;
  return seg;
}

void ReleaseStackSegment(EslStackHeap* seg) { munmap(seg, seg->capacity + kStackHeader); }

}  // namespace

EslStackHeap* eslStackHeapCreate(size_t initialSize, size_t growSize, uint32_t /*unused*/) {
  if (initialSize > kEslHeapMaxBlock) return nullptr;
  size_t size = initialSize == 0 ? kEslHeapDefaultSegment : RoundUp(initialSize, kPage);
  if (growSize == 0) growSize = kEslHeapDefaultSegment;
  return NewStackSegment(size, std::min(growSize, kEslHeapMaxBlock));
}

void* eslStackHeapAllocate(EslStackHeap* heap, size_t size) {
  if (heap == nullptr || size > kEslHeapMaxBlock) return nullptr;
  size = RoundUp(std::max<size_t>(size, 1), 16);
#ifdef TAV_NO_POOLS
  if (heap->blockCount == heap->blockCapacity) {
    size_t capacity = std::max<size_t>(16, heap->blockCapacity * 2);
    void* grown = std::realloc(heap->blocks, capacity * sizeof(void*));
    if (grown == nullptr) return nullptr;
    heap->blocks = static_cast<void**>(grown);
    heap->blockCapacity = capacity;
  }
  void* block = std::aligned_alloc(16, size);
  if (block != nullptr) heap->blocks[heap->blockCount++] = block;
  return block;
#else
  EslStackHeap* seg = heap->current;
  if (seg->capacity - seg->used < size) {
    EslStackHeap* grown =
        NewStackSegment(RoundUp(std::max(heap->growSize, size + kStackHeader), kPage),
                        heap->growSize);
    if (grown == nullptr) return nullptr;
    grown->next = seg->next;
    seg->next = grown;
    heap->current = seg = grown;
  }
  void* block = seg->data + seg->used;
  seg->used += size;
  return block;
#endif
}

void eslStackHeapFree(EslStackHeap* heap) {
  if (heap == nullptr) return;
#ifdef TAV_NO_POOLS
  for (size_t i = 0; i < heap->blockCount; ++i) std::free(heap->blocks[i]);
  heap->blockCount = 0;
#endif
  for (EslStackHeap* seg = heap->next; seg != nullptr;) {
    EslStackHeap* next = seg->next;
    ReleaseStackSegment(seg);
    seg = next;
  }
  heap->next = nullptr;
  heap->current = heap;
  heap->used = 0;
}

void eslStackHeapDestroy(EslStackHeap* heap) {
  if (heap == nullptr) return;
  eslStackHeapFree(heap);
#ifdef TAV_NO_POOLS
  std::free(heap->blocks);
#endif
  ReleaseStackSegment(heap);
}

EslStackHeapInfo eslStackHeapGetInfo(const EslStackHeap* heap) {
  EslStackHeapInfo info;
#ifndef TAV_NO_POOLS
  for (const EslStackHeap* seg = heap; seg != nullptr; seg = seg->next) ++info.segments;
  info.lastSegmentBytes = heap->current->capacity + kStackHeader;
  info.usedBytes = heap->current->used;
#else
  (void)heap;
#endif
  return info;
}

}  // namespace tav::medialib
