// The segmented library heap: segments of memory from the system (or from a parent heap), each a
// chain of boundary-tagged blocks, first fit through a per-segment free list.
//
// Layout (the 32-bit layout of the heap's file format does not exist: the heap is
// never stored, so only the behaviour matters). Every block has a 16-byte header directly before
// its payload:
//
//   word 0: bits 0-27 the payload size in 4-byte units; bit 28 marks a heap block; bit 29 the
//           segment's first block; bit 30 its last block; bit 31 a free block
//   word 1: the header's distance from its segment's start in 16-byte units (so a block finds
//           its segment at once, and a pointer of another heap is recognised without a scan)
//   word 2-3: the previous block's header; for a first block the segment header (with 4-byte
//             pointers word 3 is padding)
//
// A segment starts with the segment header (sizeof(EslHeap), a multiple of 16), then its first
// block. Segments start on page boundaries, and every block occupies its payload size rounded up
// to 16, so every header and every payload is 16-byte aligned. The size a block reports is the
// request rounded up to 8; the 8 bytes that may follow belong to it. A free block's first 16
// payload bytes link the segment's free list, whose head is always the first block: that block is
// never handed out (allocations are carved from the end of free blocks), so it anchors the list
// and a segment whose first block is also its last is entirely free.
//
// A block of half a growth unit or more gets a dedicated segment: its first block, not free, is
// the block. Such a block can be measured, reallocated and freed like any other (freeing releases
// the segment at once).
//
// Segments are mapped readable and writable, never executable.

#include "medialib/heap.h"

#ifndef TAV_NO_POOLS

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

namespace tav::medialib {

namespace {

// 16 bytes with 8-byte pointers; with 4-byte pointers (wasm32) the alignment pads it to the same.
struct alignas(16) Block {
  uint32_t word;
  uint32_t segmentUnits;
  void* previous;
};
static_assert(sizeof(Block) == 16);

struct FreeLinks {
  Block* previous;
  Block* next;
};

constexpr uint32_t kSizeMask = 0x0FFFFFFF;
constexpr uint32_t kMark = 1u << 28;
constexpr uint32_t kFirst = 1u << 29;
constexpr uint32_t kLast = 1u << 30;
constexpr uint32_t kFree = 1u << 31;
constexpr size_t kHeader = sizeof(Block);
constexpr size_t kMinFree = sizeof(FreeLinks);  // a free block must hold its links
constexpr size_t kPage = 4096;
constexpr uint64_t kSegmentMagic = 0x544E454D47455345;  // "ESEGMENT"

}  // namespace

// One segment header; a heap is its first segment.
struct alignas(16) EslHeap {
  uint64_t magic;
  EslHeap* next;
  EslHeap* previous;
  Block* freeHead;       // the first block; null for a dedicated segment
  size_t freeBytes;      // payload bytes of the free blocks
  size_t hint;           // upper bound of the largest free block
  size_t growSize;
  EslHeap* last;         // first segment only: the list's tail
  EslHeap* owner;        // the heap's first segment
  size_t size;
  EslHeap* parent;       // the segment's memory came from this heap
  void* raw;             // the block obtained from the parent
  uint32_t flags;
  std::atomic<int> references;  // first segment only
  bool dedicated;
  alignas(std::recursive_mutex) unsigned char lockStorage[sizeof(std::recursive_mutex)];
};

namespace {

constexpr size_t kFirstBlock = sizeof(EslHeap);
constexpr size_t kFirstPayload = kFirstBlock + kHeader;
static_assert(kFirstBlock % 16 == 0);

size_t RoundUp(size_t value, size_t unit) { return (value + unit - 1) / unit * unit; }
size_t Span(size_t size) { return RoundUp(size, 16); }
size_t SizeOf(const Block* b) { return size_t{b->word & kSizeMask} << 2; }
void SetSize(Block* b, size_t bytes) {
  b->word = (b->word & ~kSizeMask) | static_cast<uint32_t>(bytes >> 2);
}
unsigned char* Payload(Block* b) { return reinterpret_cast<unsigned char*>(b) + kHeader; }
FreeLinks* Links(Block* b) { return reinterpret_cast<FreeLinks*>(Payload(b)); }
Block* NextOf(Block* b) { return reinterpret_cast<Block*>(Payload(b) + Span(SizeOf(b))); }
Block* FirstBlockOf(EslHeap* seg) {
  return reinterpret_cast<Block*>(reinterpret_cast<unsigned char*>(seg) + kFirstBlock);
}
EslHeap* SegmentOf(Block* b) {
  return reinterpret_cast<EslHeap*>(reinterpret_cast<unsigned char*>(b) -
                                    size_t{b->segmentUnits} * 16);
}
void PlaceHeader(EslHeap* seg, Block* b, uint32_t word, void* previous) {
  b->word = word;
  b->segmentUnits = static_cast<uint32_t>(
      (reinterpret_cast<unsigned char*>(b) - reinterpret_cast<unsigned char*>(seg)) / 16);
  b->previous = previous;
}
std::recursive_mutex* LockOf(EslHeap* heap) {
  return std::launder(reinterpret_cast<std::recursive_mutex*>(heap->lockStorage));
}
bool IsEmpty(EslHeap* seg) {
  return !seg->dedicated && (seg->freeHead->word & kLast) != 0;
}

// The header of an allocated block, or null when the pointer cannot be one.
Block* LiveBlock(const void* pointer) {
  auto address = reinterpret_cast<uintptr_t>(pointer);
  if (address == 0 || address % 16 != 0) return nullptr;
  auto* b = reinterpret_cast<Block*>(address - kHeader);
  if ((b->word & (kMark | kFree)) != kMark) return nullptr;
  if (SegmentOf(b)->magic != kSegmentMagic) return nullptr;
  return b;
}

class HeapLock {
 public:
  HeapLock(EslHeap* heap, uint32_t flags)
      : lock_((flags & kEslHeapNoLock) == 0 ? LockOf(heap) : nullptr) {
    if (lock_ != nullptr) lock_->lock();
  }
  ~HeapLock() {
    if (lock_ != nullptr) lock_->unlock();
  }
  HeapLock(const HeapLock&) = delete;
  HeapLock& operator=(const HeapLock&) = delete;

 private:
  std::recursive_mutex* lock_;
};

EslHeap* Resolve(EslHeap* heap) { return heap != nullptr ? heap : eslGetGlobalHeap(); }

// A fresh segment of `size` bytes holding one free first block (or, dedicated, one allocated
// block covering it). Null when the memory cannot be had and the user does not want to retry.
EslHeap* NewSegment(size_t size, size_t growSize, uint32_t flags, EslHeap* parent, bool withLock,
                    bool dedicated) {
  if (size - kFirstPayload > size_t{kSizeMask} << 2) return nullptr;
  void* raw = nullptr;
  void* memory = nullptr;
  if (parent != nullptr) {
    raw = eslHeapAllocate(parent, size + 16, kEslHeapZeroFill);
    if (raw == nullptr) return nullptr;
    memory = reinterpret_cast<void*>(RoundUp(reinterpret_cast<uintptr_t>(raw), 16));
    parent->references.fetch_add(1);
  } else {
    for (;;) {
      memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (memory != MAP_FAILED) break;
      if (!AskOutOfMemoryRetry()) return nullptr;
    }
  }
  auto* seg = static_cast<EslHeap*>(memory);
  seg->magic = kSegmentMagic;
  seg->next = seg->previous = nullptr;
  seg->growSize = growSize;
  seg->last = seg;
  seg->owner = seg;
  seg->size = size;
  seg->parent = parent;
  seg->raw = raw;
  seg->flags = withLock ? flags : flags | kEslHeapNoLock;
  new (&seg->references) std::atomic<int>(1);
  seg->dedicated = dedicated;
  if (withLock) new (seg->lockStorage) std::recursive_mutex();
  Block* first = FirstBlockOf(seg);
  size_t payload = size - kFirstPayload;
  if (dedicated) {
    PlaceHeader(seg, first, kMark | kFirst | kLast, seg);
    seg->freeHead = nullptr;
    seg->freeBytes = seg->hint = 0;
  } else {
    PlaceHeader(seg, first, kMark | kFirst | kLast | kFree, seg);
    *Links(first) = {nullptr, nullptr};
    seg->freeHead = first;
    seg->freeBytes = seg->hint = payload;
  }
  SetSize(first, payload);
  return seg;
}

void ReleaseSegment(EslHeap* seg) {
  if ((seg->flags & kEslHeapNoLock) == 0) LockOf(seg)->~recursive_mutex();
  seg->magic = 0;
  if (seg->parent != nullptr) {
    EslHeap* parent = seg->parent;
    eslHeapFree(parent, seg->raw, 0);
    eslHeapDestroy(parent);
  } else {
    munmap(seg, seg->size);
  }
}

void UnlinkSegment(EslHeap* heap, EslHeap* seg) {
  seg->previous->next = seg->next;
  if (seg->next != nullptr) {
    seg->next->previous = seg->previous;
  } else {
    heap->last = seg->previous;
  }
  seg->next = seg->previous = nullptr;
}

void InsertAfter(EslHeap* heap, EslHeap* at, EslHeap* seg) {
  seg->owner = heap;
  seg->previous = at;
  seg->next = at->next;
  if (at->next != nullptr) {
    at->next->previous = seg;
  } else {
    heap->last = seg;
  }
  at->next = seg;
}

void UnlinkFree(EslHeap* seg, Block* b) {
  FreeLinks* links = Links(b);
  if (links->previous != nullptr) {
    Links(links->previous)->next = links->next;
  } else {
    seg->freeHead = links->next;
  }
  if (links->next != nullptr) Links(links->next)->previous = links->previous;
}

void LinkFreeAfterFirst(EslHeap* seg, Block* b) {
  Block* first = seg->freeHead;
  Block* after = Links(first)->next;
  *Links(b) = {first, after};
  if (after != nullptr) Links(after)->previous = b;
  Links(first)->next = b;
}

// Moves free block `b` by `delta` bytes (up when positive), resizing it so that its end stays.
Block* MoveFreeHeader(EslHeap* seg, Block* b, std::ptrdiff_t delta) {
  auto* moved = reinterpret_cast<Block*>(reinterpret_cast<unsigned char*>(b) + delta);
  size_t size = SizeOf(b) - static_cast<size_t>(delta);
  memmove(moved, b, kHeader + sizeof(FreeLinks));
  PlaceHeader(seg, moved, moved->word, moved->previous);
  SetSize(moved, size);
  FreeLinks* links = Links(moved);
  Links(links->previous)->next = moved;  // never the list head: that is a first block
  if (links->next != nullptr) Links(links->next)->previous = moved;
  if ((moved->word & kLast) == 0) NextOf(moved)->previous = moved;
  return moved;
}

// Hands out `span` bytes of free block `f` (a block of `size` bytes, size <= span).
Block* Take(EslHeap* seg, Block* f, size_t size, size_t span) {
  size_t freeSize = SizeOf(f);
  if ((f->word & kFirst) != 0 || freeSize >= span + kHeader + kMinFree) {
    size_t remain = freeSize - span - kHeader;
    bool wasLast = (f->word & kLast) != 0;
    SetSize(f, remain);
    f->word &= ~kLast;
    auto* b = reinterpret_cast<Block*>(Payload(f) + remain);
    PlaceHeader(seg, b, kMark | (wasLast ? kLast : 0), f);
    SetSize(b, size);
    if (!wasLast) NextOf(b)->previous = b;
    seg->freeBytes -= span + kHeader;
    return b;
  }
  UnlinkFree(seg, f);
  f->word &= ~kFree;
  seg->freeBytes -= freeSize;
  return f;
}

Block* SearchSegment(EslHeap* seg, size_t size, size_t span) {
  size_t unvisited = seg->freeBytes;
  size_t largest = 0;
  for (Block* f = seg->freeHead; f != nullptr; f = Links(f)->next) {
    size_t freeSize = SizeOf(f);
    bool first = (f->word & kFirst) != 0;
    if (first ? freeSize >= span + kHeader + kMinFree : freeSize >= span) {
      return Take(seg, f, size, span);
    }
    largest = std::max(largest, freeSize);
    unvisited -= std::min(unvisited, freeSize);
    if (unvisited < span) break;
  }
  seg->hint = std::min(seg->hint, std::max(largest, unvisited));
  return nullptr;
}

size_t BlockSize(size_t requested) { return requested == 0 ? 8 : RoundUp(requested, 8); }

Block* AllocateBlock(EslHeap* heap, size_t size) {
  size_t span = Span(size);
  if (heap->parent == nullptr && span >= heap->growSize / 2) {
    EslHeap* seg = NewSegment(RoundUp(span + kFirstPayload, kPage), heap->growSize, heap->flags,
                              nullptr, false, true);
    if (seg == nullptr) return nullptr;
    InsertAfter(heap, heap->last, seg);
    return FirstBlockOf(seg);
  }
  for (EslHeap* seg = heap; seg != nullptr; seg = seg->next) {
    if (seg->freeHead == nullptr || seg->hint < span) continue;
    if (Block* b = SearchSegment(seg, size, span)) return b;
  }
  size_t needed = RoundUp(span + kFirstPayload + kHeader + kMinFree, kPage);
  size_t segmentSize =
      heap->parent != nullptr ? needed : std::max(needed, RoundUp(heap->growSize, kPage));
  EslHeap* seg = NewSegment(segmentSize, heap->growSize, heap->flags, heap->parent, false, false);
  if (seg == nullptr) return nullptr;
  InsertAfter(heap, heap, seg);
  return SearchSegment(seg, size, span);
}

void FreeBlock(EslHeap* heap, EslHeap* seg, Block* b) {
  if (seg->dedicated) {
    UnlinkSegment(heap, seg);
    ReleaseSegment(seg);
    return;
  }
  size_t span = Span(SizeOf(b));
  SetSize(b, span);
  Block* merged = b;
  auto* previous = (b->word & kFirst) == 0 ? static_cast<Block*>(b->previous) : nullptr;
  if (previous != nullptr && (previous->word & kFree) != 0) {
    SetSize(previous, SizeOf(previous) + kHeader + span);
    previous->word |= b->word & kLast;
    seg->freeBytes += span + kHeader;
    merged = previous;
  } else {
    b->word |= kFree;
    LinkFreeAfterFirst(seg, b);
    seg->freeBytes += span;
  }
  if ((merged->word & kLast) == 0) {
    Block* next = NextOf(merged);
    if ((next->word & kFree) != 0) {
      UnlinkFree(seg, next);
      SetSize(merged, SizeOf(merged) + kHeader + SizeOf(next));
      merged->word |= next->word & kLast;
      seg->freeBytes += kHeader;
    }
    if ((merged->word & kLast) == 0) NextOf(merged)->previous = merged;
  }
  seg->hint = std::max(seg->hint, SizeOf(merged));
  if (seg == heap) return;

  // At most one empty segment stays cached, right after the first; fuller segments drift back.
  if (IsEmpty(seg)) {
    EslHeap* cached = heap->next;
    if (cached == seg) return;
    UnlinkSegment(heap, seg);
    if (cached != nullptr && IsEmpty(cached)) {
      ReleaseSegment(seg);
    } else {
      InsertAfter(heap, heap, seg);
    }
  } else if (seg->previous != heap && seg->freeBytes > seg->previous->freeBytes) {
    EslHeap* before = seg->previous->previous;
    UnlinkSegment(heap, seg);
    InsertAfter(heap, before, seg);
  }
}

// Zero-fills a block from byte `from` to its end.
void ZeroTail(Block* b, size_t from) {
  size_t end = Span(SizeOf(b));
  if (from < end) memset(Payload(b) + from, 0, end - from);
}

// Tries to resize in place; false when the block must move.
bool ResizeInPlace(EslHeap* seg, Block* b, size_t size) {
  size_t oldSpan = Span(SizeOf(b));
  size_t span = Span(size);
  bool last = (b->word & kLast) != 0;
  Block* next = last ? nullptr : NextOf(b);
  bool nextFree = next != nullptr && (next->word & kFree) != 0;
  if (seg->dedicated) {
    if (span > SizeOf(b)) return false;
    return true;  // a dedicated block keeps its whole segment
  }
  if (span <= oldSpan) {
    size_t tail = oldSpan - span;
    if (tail == 0) {
      SetSize(b, size);
    } else if (nextFree) {
      Block* moved = MoveFreeHeader(seg, next, -static_cast<std::ptrdiff_t>(tail));
      SetSize(b, size);
      seg->freeBytes += tail;
      seg->hint = std::max(seg->hint, SizeOf(moved));
    } else if (tail >= kHeader + kMinFree) {
      SetSize(b, size);
      b->word &= ~kLast;
      auto* split = reinterpret_cast<Block*>(Payload(b) + span);
      PlaceHeader(seg, split, kMark | kFree | (last ? kLast : 0), b);
      SetSize(split, tail - kHeader);
      if (!last) NextOf(split)->previous = split;
      LinkFreeAfterFirst(seg, split);
      seg->freeBytes += tail - kHeader;
      seg->hint = std::max(seg->hint, tail - kHeader);
    }
    return true;
  }
  size_t extra = span - oldSpan;
  if (!nextFree || SizeOf(next) + kHeader < extra) return false;
  size_t nextSize = SizeOf(next);
  if (extra < nextSize / 2 && nextSize - extra >= kMinFree) {
    MoveFreeHeader(seg, next, static_cast<std::ptrdiff_t>(extra));
    SetSize(b, size);
    seg->freeBytes -= extra;
  } else {
    UnlinkFree(seg, next);
    SetSize(b, oldSpan + kHeader + nextSize);
    b->word |= next->word & kLast;
    if ((b->word & kLast) == 0) NextOf(b)->previous = b;
    seg->freeBytes -= nextSize;
  }
  return true;
}

}  // namespace

EslHeap* eslHeapCreate(size_t initialSize, size_t growSize, uint32_t flags, EslHeap* parent) {
  if (initialSize > kEslHeapMaxBlock) return nullptr;
  size_t size = initialSize == 0 ? kEslHeapDefaultSegment : RoundUp(initialSize, kPage);
  if (growSize == 0) growSize = kEslHeapDefaultSegment;
  growSize = std::min(growSize, kEslHeapMaxBlock);
  return NewSegment(size, growSize, flags, parent, (flags & kEslHeapNoLock) == 0, false);
}

void eslHeapDestroy(EslHeap* heap) {
  if (heap == nullptr || heap->references.fetch_sub(1) != 1) return;
  EslHeap* seg = heap->next;
  while (seg != nullptr) {
    EslHeap* next = seg->next;
    ReleaseSegment(seg);
    seg = next;
  }
  ReleaseSegment(heap);
}

void* eslHeapAllocate(EslHeap* heap, size_t size, uint32_t flags) {
  if (size > kEslHeapMaxBlock) return nullptr;
  EslHeap* target = Resolve(heap);
  if (target == nullptr) return nullptr;
  flags |= target->flags;
  HeapLock lock(target, flags);
  Block* b = AllocateBlock(target, BlockSize(size));
  if (b == nullptr) return nullptr;
  if ((flags & kEslHeapZeroFill) != 0 && !SegmentOf(b)->dedicated) ZeroTail(b, 0);
  return Payload(b);
}

int eslHeapFree(EslHeap* heap, void* pointer, uint32_t flags) {
  if (pointer == nullptr) return 0;
  EslHeap* target = Resolve(heap);
  HeapLock lock(target, flags | target->flags);
  Block* b = LiveBlock(pointer);
  EslHeap* seg = b != nullptr ? SegmentOf(b) : nullptr;
  if (seg == nullptr || seg->owner != target) {
    TraceInvalidFree();
    return 0;
  }
  FreeBlock(target, seg, b);
  return 0;
}

void* eslHeapReallocate(EslHeap* heap, void* pointer, size_t size, uint32_t flags) {
  if (pointer == nullptr) return eslHeapAllocate(heap, size, flags);
  EslHeap* target = Resolve(heap);
  flags |= target->flags;
  HeapLock lock(target, flags);
  Block* b = LiveBlock(pointer);
  if (b == nullptr || SegmentOf(b)->owner != target || size > kEslHeapMaxBlock) return nullptr;
  size_t oldSize = SizeOf(b);
  if (ResizeInPlace(SegmentOf(b), b, BlockSize(size))) {
    if ((flags & kEslHeapZeroFill) != 0) ZeroTail(b, std::min(oldSize, size));
    return pointer;
  }
  void* moved = eslHeapAllocate(target, size, (flags & ~kEslHeapZeroFill) | kEslHeapNoLock);
  if (moved == nullptr) return nullptr;
  size_t keep = std::min(oldSize, size);
  memcpy(moved, pointer, keep);
  if ((flags & kEslHeapZeroFill) != 0) ZeroTail(LiveBlock(moved), keep);
  FreeBlock(target, SegmentOf(b), b);
  return moved;
}

std::ptrdiff_t eslHeapGetLength(EslHeap* /*heap*/, const void* pointer) {
  Block* b = LiveBlock(pointer);
  return b != nullptr ? static_cast<std::ptrdiff_t>(SizeOf(b)) : -1;
}

void eslHeapLock(EslHeap* heap) {
  EslHeap* target = Resolve(heap);
  if ((target->flags & kEslHeapNoLock) == 0) LockOf(target)->lock();
}

void eslHeapUnlock(EslHeap* heap) {
  EslHeap* target = Resolve(heap);
  if ((target->flags & kEslHeapNoLock) == 0) LockOf(target)->unlock();
}

void eslHeapDump(EslHeap* heap, int maxCount) {
  EslHeap* target = Resolve(heap);
  HeapLock lock(target, target->flags);
  int listed = 0;
  for (EslHeap* seg = target; seg != nullptr; seg = seg->next) {
    for (Block* b = FirstBlockOf(seg);; b = NextOf(b)) {
      if ((b->word & kFree) == 0) {
        if (listed == maxCount) return;
        if (listed++ == 0) fputs("ESL の解放されていないメモリブロックがあります\n", stderr);
        size_t size = SizeOf(b);
        fprintf(stderr, "block %016llXH (%zu bytes) :",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(Payload(b))), size);
        for (size_t i = 0; i < std::min<size_t>(16, size); ++i) {
          fprintf(stderr, " %02X", Payload(b)[i]);
        }
        fputc('\n', stderr);
      }
      if ((b->word & kLast) != 0) break;
    }
  }
}

EslHeapInfo eslHeapGetInfo(EslHeap* heap) {
  EslHeap* target = Resolve(heap);
  HeapLock lock(target, target->flags);
  EslHeapInfo info;
  for (EslHeap* seg = target; seg != nullptr; seg = seg->next) {
    ++info.segments;
    info.segmentBytes += seg->size;
    info.freeBytes += seg->freeBytes;
    for (Block* b = FirstBlockOf(seg);; b = NextOf(b)) {
      if ((b->word & kFree) == 0) ++info.allocatedBlocks;
      if ((b->word & kLast) != 0) break;
    }
  }
  return info;
}

}  // namespace tav::medialib

#endif  // !TAV_NO_POOLS
