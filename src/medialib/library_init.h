#pragma once

// Initialisation of the media library: a process-wide reference count with the library's global
// state (processor features, the global heap and the zero-fill heap) and a per-thread reference
// count whose first step installs the crash report for that thread.

#include <cstdint>

#include "medialib/heap.h"
#include "medialib/processor.h"

namespace tav::medialib {

// Counts one more user of the library and answers the new count. The first call enables every
// processor feature present, creates the global heap and the zero-fill heap, and initialises the
// calling thread as a task (rudInitializeTask).
int rudInitializeLibrary();

// Undoes one rudInitializeLibrary and answers the count left (0 also when the library was not
// initialised). The last call closes the calling thread's task, lists leaked blocks of the global
// heap on standard error and destroys both heaps.
int rudCloseLibrary();

// Counts one more use of the library on the calling thread and answers the thread's new count.
// A thread's first call installs the crash report for it (an alternate signal stack included).
int rudInitializeTask();

// Undoes one rudInitializeTask on the calling thread; answers the count left, never below 0.
int rudCloseTask();

// Set, clear and read the processor features (kProcessor* flags) the library's optimised code may
// use. Features the processor lacks can never be enabled. The first rudInitializeLibrary enables
// every feature the processor has.
void rudEnableProcessorType(uint32_t features);
void rudDisableProcessorType(uint32_t features);
uint32_t rudGetEnabledProcessorType();

// The library's second heap, whose allocations are always zero-filled; null while the library is
// not initialised.
EslHeap* LibraryZeroFillHeap();

}  // namespace tav::medialib
