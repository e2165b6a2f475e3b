#include "medialib/library_init.h"

#include <atomic>
#include <mutex>

#include "os/crash_report.h"

namespace tav::medialib {
namespace {

std::mutex g_libraryMutex;
int g_libraryReferences = 0;            // guarded by g_libraryMutex
EslHeap* g_zeroFillHeap = nullptr;      // guarded by g_libraryMutex
std::atomic<uint32_t> g_enabledFeatures{0};

thread_local int t_taskReferences = 0;

uint32_t SupportedFeatures() {
  static const uint32_t features = DetectProcessorFeatures();
  return features;
}

}  // namespace

int rudInitializeLibrary() {
  std::lock_guard lock(g_libraryMutex);
  if (++g_libraryReferences > 1) return g_libraryReferences;
  g_enabledFeatures.store(SupportedFeatures());
  eslGetGlobalHeap();
  g_zeroFillHeap = eslHeapCreate(0, 0, kEslHeapZeroFill, nullptr);
  rudInitializeTask();
  // The library wants 1 ms timer resolution; Linux timers and sleeps are already precise to well
  // under a millisecond, so there is nothing to set.
  return g_libraryReferences;
}

int rudCloseLibrary() {
  std::lock_guard lock(g_libraryMutex);
  if (g_libraryReferences == 0) return 0;
  if (--g_libraryReferences > 0) return g_libraryReferences;
  rudCloseTask();
  eslHeapDestroy(g_zeroFillHeap);
  g_zeroFillHeap = nullptr;
  eslFreeGlobalHeap();
  return 0;
}

int rudInitializeTask() {
  if (++t_taskReferences == 1) platform::InstallCrashFilter();
  return t_taskReferences;
}

int rudCloseTask() {
  if (t_taskReferences > 0) --t_taskReferences;
  return t_taskReferences;
}

void rudEnableProcessorType(uint32_t features) {
  g_enabledFeatures.fetch_or(features & SupportedFeatures());
}

void rudDisableProcessorType(uint32_t features) { g_enabledFeatures.fetch_and(~features); }

uint32_t rudGetEnabledProcessorType() { return g_enabledFeatures.load(); }

EslHeap* LibraryZeroFillHeap() {
  std::lock_guard lock(g_libraryMutex);
  return g_zeroFillHeap;
}

}  // namespace tav::medialib
