#pragma once

// The media library heap: every library object, string, buffer and decoder state is allocated
// here, and a null heap argument means the process-wide global heap.
//
// Two implementations share this interface. The normal build uses the segmented first-fit heap
// (heap_segments.cpp): memory comes from the system in 4096-byte multiples, blocks carry boundary
// tags and coalesce on free, large blocks get segments of their own. Sanitizer and fuzz builds
// (TAV_NO_POOLS) route every block to the system allocator (heap_system.cpp), so that
// AddressSanitizer sees overflows and use-after-free in the code that uses the heap; the contract
// below holds for both, only the segment figures of eslHeapGetInfo are then 0.
//
// Contract: payloads are 16-byte aligned (SSE2 mixing and operator new rely on it); a request of
// 0 bytes gives an 8-byte block and sizes round up to 8 for eslHeapGetLength; the zero-fill flag
// clears new memory and, on reallocation, everything past the requested length; requests above
// kEslHeapMaxBlock fail at once without troubling the user. The lock is recursive: a caller may
// eslHeapLock, then allocate with or without kEslHeapNoLock.

#include <cstddef>
#include <cstdint>

namespace tav::medialib {

struct EslHeap;       // opaque; created by eslHeapCreate or eslGetGlobalHeap
struct EslStackHeap;  // opaque; created by eslStackHeapCreate

// Flags, per heap and per call, combined with OR.
inline constexpr uint32_t kEslHeapZeroFill = 1;  // new memory (and grown tails) filled with 0
inline constexpr uint32_t kEslHeapNoLock = 2;    // no lock, or the caller already holds it

// The largest block the heap hands out (its block header has 28 bits of 4-byte units).
inline constexpr size_t kEslHeapMaxBlock = size_t{0x0FFFFFFF} * 4 & ~size_t{15};

// Default size of a heap's segments.
inline constexpr size_t kEslHeapDefaultSegment = 0x10000;

#ifdef TAV_NO_POOLS
inline constexpr bool kEslHeapHasSegments = false;
#else
inline constexpr bool kEslHeapHasSegments = true;
#endif

// A new heap holding one reference. initialSize is the first segment's size (0 = 64 KB, else
// rounded up to 4096); growSize the size of further segments (0 = 64 KB). A heap with a parent
// takes its segments from the parent and holds a reference on it for each. Null when the memory
// cannot be had.
EslHeap* eslHeapCreate(size_t initialSize, size_t growSize, uint32_t flags, EslHeap* parent);

// Drops one reference; at 0 frees every segment (every block still allocated goes with them).
void eslHeapDestroy(EslHeap* heap);

// A 16-byte aligned block of at least size bytes, or null when the request cannot be met.
void* eslHeapAllocate(EslHeap* heap, size_t size, uint32_t flags);

// Frees a block; null is ignored. A pointer of another heap is reported and left alone.
// Always answers 0.
int eslHeapFree(EslHeap* heap, void* pointer, uint32_t flags);

// Resizes a block, in place when its free neighbour allows, else by moving it. Null allocates;
// an invalid pointer answers null and leaves everything unchanged, as does a failed allocation
// (the old block then stays valid).
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

// What a heap holds now, for tests and the benchmark. Segment figures are 0 without segments.
struct EslHeapInfo {
  size_t segments = 0;        // segments in the heap's list, dedicated ones included
  size_t segmentBytes = 0;    // their total size
  size_t allocatedBlocks = 0; // live blocks
  size_t freeBytes = 0;       // the segments' free-byte counts added up
};
EslHeapInfo eslHeapGetInfo(EslHeap* heap);

// The stack heap: bump allocation, everything freed at once, no lock (one thread).
// Segments are initialSize (0 = 64 KB, else rounded up to 4096) and then max(growSize, request
// plus header) rounded up to 4096. The third argument of the create call is not used.
EslStackHeap* eslStackHeapCreate(size_t initialSize, size_t growSize, uint32_t unused);
// 16-byte aligned; sizes round up to 16. Null when the memory cannot be had.
void* eslStackHeapAllocate(EslStackHeap* heap, size_t size);
// Releases every block: segments after the first go back to the system, the first is reused.
void eslStackHeapFree(EslStackHeap* heap);
void eslStackHeapDestroy(EslStackHeap* heap);

struct EslStackHeapInfo {
  size_t segments = 0;
  size_t lastSegmentBytes = 0;  // size of the current (newest) segment
  size_t usedBytes = 0;         // used in the current segment
};
EslStackHeapInfo eslStackHeapGetInfo(const EslStackHeap* heap);

// The out-of-memory question: asked when the system refuses a segment; true means "try again".
// Nothing is installed by default, which answers "give up" (headless runs, tools and tests).
// The windowed program installs eslAskOutOfMemoryDialog. Answers the handler it replaces.
using EslOutOfMemoryQuestion = bool (*)();
EslOutOfMemoryQuestion eslSetOutOfMemoryQuestion(EslOutOfMemoryQuestion question);
// The Yes/No/Cancel message box of the library heap; Yes retries. No box can be shown: give up.
bool eslAskOutOfMemoryDialog();
// Asks the installed question (used by both heap implementations).
bool AskOutOfMemoryRetry();

// The block and segment traces, for both implementations.
void TraceInvalidFree();

}  // namespace tav::medialib
