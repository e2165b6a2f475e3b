#pragma once

// The media library heap: every library object, string, buffer and decoder state is allocated
// here, and a null heap argument means the process-wide global heap.
//
// This version is a facade over the system allocator with the library's interface and contract:
// a small header before every block records its heap and length (so eslHeapGetLength and the
// leak dump work), payloads are 8-byte aligned (16 in practice), a request of 0 bytes gives an
// 8-byte block, and the zero-fill flag is honoured. The segmented first-fit heap with
// boundary-tag blocks replaces this implementation later; callers will not notice the change.

#include <cstddef>
#include <cstdint>

namespace tav::medialib {

struct EslHeap;  // opaque; created by eslHeapCreate or eslGetGlobalHeap

// Flags, per heap and per call, combined with OR.
inline constexpr uint32_t kEslHeapZeroFill = 1;  // new memory (and grown tails) filled with 0
inline constexpr uint32_t kEslHeapNoLock = 2;    // no lock, or the caller already holds it

// The largest block the heap hands out (its block header has 28 bits of 4-byte units).
inline constexpr size_t kEslHeapMaxBlock = size_t{0x0FFFFFFF} * 4 & ~size_t{7};

// A new heap holding one reference. initialSize and growSize are the segment sizes of the
// segmented heap (0 = 64 KB) and do not matter to this facade. A heap with a parent keeps a
// reference on the parent until it is destroyed.
EslHeap* eslHeapCreate(size_t initialSize, size_t growSize, uint32_t flags, EslHeap* parent);

// Drops one reference; at 0 frees every block still allocated from the heap.
void eslHeapDestroy(EslHeap* heap);

// An 8-byte aligned block of at least size bytes, or null when the request cannot be met.
void* eslHeapAllocate(EslHeap* heap, size_t size, uint32_t flags);

// Frees a block; null is ignored. A pointer of another heap is reported and left alone.
// Always answers 0.
int eslHeapFree(EslHeap* heap, void* pointer, uint32_t flags);

// Resizes a block, possibly moving it. Null allocates; an invalid pointer answers null and
// leaves everything unchanged, as does a failed allocation (the old block then stays valid).
void* eslHeapReallocate(EslHeap* heap, void* pointer, size_t size, uint32_t flags);

// The block's payload size in bytes, or -1 for null, a misaligned pointer or a pointer that is
// not a live block of a heap.
std::ptrdiff_t eslHeapGetLength(EslHeap* heap, const void* pointer);

// Enter and leave the heap's lock (nothing for a heap made with kEslHeapNoLock), so that several
// calls with kEslHeapNoLock act as one.
void eslHeapLock(EslHeap* heap);
void eslHeapUnlock(EslHeap* heap);

// Lists up to maxCount allocated blocks (address, size, first 16 bytes) on standard error under
// the heading of unreleased blocks; nothing when no block is allocated.
void eslHeapDump(EslHeap* heap, int maxCount);

// The global heap, created on first use.
EslHeap* eslGetGlobalHeap();

// Lists up to 100 leaked blocks of the global heap, destroys it and forgets it; the next use
// creates a fresh one.
void eslFreeGlobalHeap();

}  // namespace tav::medialib
