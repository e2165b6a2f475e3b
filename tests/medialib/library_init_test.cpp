#include "medialib/library_init.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <thread>

namespace tav::medialib {
namespace {

bool AlternateStackEnabled() {
  stack_t current{};
  return sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0;
}

TEST(LibraryInitTest, NestedInitialisationIsCounted) {
  EXPECT_EQ(LibraryZeroFillHeap(), nullptr);
  EXPECT_EQ(rudInitializeLibrary(), 1);
  EXPECT_EQ(rudInitializeLibrary(), 2);
  ASSERT_NE(LibraryZeroFillHeap(), nullptr);
  auto* zeroed = static_cast<unsigned char*>(eslHeapAllocate(LibraryZeroFillHeap(), 40, 0));
  for (int i = 0; i < 40; ++i) ASSERT_EQ(zeroed[i], 0);
  eslHeapFree(LibraryZeroFillHeap(), zeroed, 0);

  // The first initialisation made this thread a task with the crash report installed.
  EXPECT_TRUE(AlternateStackEnabled());
  EXPECT_EQ(rudInitializeTask(), 2);
  EXPECT_EQ(rudCloseTask(), 1);
  struct sigaction action {};
  sigaction(SIGSEGV, nullptr, &action);
  EXPECT_NE(action.sa_flags & SA_ONSTACK, 0);

  EXPECT_EQ(rudCloseLibrary(), 1);
  EXPECT_NE(LibraryZeroFillHeap(), nullptr);
  EXPECT_EQ(rudCloseLibrary(), 0);
  EXPECT_EQ(LibraryZeroFillHeap(), nullptr);
  EXPECT_EQ(rudCloseLibrary(), 0);  // one close too many changes nothing
  EXPECT_EQ(rudCloseTask(), 0);     // the last library close closed this thread's task
  EXPECT_EQ(rudInitializeLibrary(), 1);
  EXPECT_EQ(rudCloseLibrary(), 0);
}

TEST(LibraryInitTest, EveryThreadHasItsOwnTaskRecord) {
  EXPECT_EQ(rudInitializeTask(), 1);
  EXPECT_EQ(rudInitializeTask(), 2);
  std::thread other([] {
    EXPECT_EQ(rudInitializeTask(), 1);
    EXPECT_TRUE(AlternateStackEnabled());  // its own stack for reporting its stack overflow
    EXPECT_EQ(rudCloseTask(), 0);
    EXPECT_EQ(rudCloseTask(), 0);
  });
  other.join();
  EXPECT_EQ(rudCloseTask(), 1);
  EXPECT_EQ(rudCloseTask(), 0);
}

TEST(LibraryInitTest, OnlyFeaturesOfThisProcessorCanBeEnabled) {
  rudInitializeLibrary();
  uint32_t supported = rudGetEnabledProcessorType();
  EXPECT_EQ(supported, DetectProcessorFeatures());
#if defined(__x86_64__)
  // Every x86-64 processor has MMX, SSE and SSE2.
  EXPECT_EQ(supported & 0x7u, kProcessorMmx | kProcessorSse | kProcessorSse2);
#endif
  rudDisableProcessorType(kProcessorMmx | kProcessorSse2);
  EXPECT_EQ(rudGetEnabledProcessorType(), supported & ~(kProcessorMmx | kProcessorSse2));
  rudEnableProcessorType(0xFFFFFFFFu);
  EXPECT_EQ(rudGetEnabledProcessorType(), supported);
  rudCloseLibrary();
}

}  // namespace
}  // namespace tav::medialib
