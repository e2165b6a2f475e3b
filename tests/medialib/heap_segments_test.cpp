// The segmented heap's own behaviour: dedicated segments, merging, the one cached empty segment,
// in-place reallocation, the stack heap, the out-of-memory question; and a random workload
// checked against the contents every block should hold. Builds that route the heap to the
// system allocator skip the segment figures.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstring>
#include <unistd.h>
#include <random>
#include <vector>

#include "medialib/heap.h"

namespace tav::medialib {
namespace {

class SegmentTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!kEslHeapHasSegments) GTEST_SKIP() << "the heap uses the system allocator in this build";
  }
  void TearDown() override { eslHeapDestroy(heap_); }
  EslHeap* heap_ = eslHeapCreate(0, 0, 0, nullptr);
};

TEST_F(SegmentTest, ALargeBlockGetsASegmentOfItsOwnAndGivesItBack) {
  EslHeapInfo before = eslHeapGetInfo(heap_);
  EXPECT_EQ(before.segments, 1u);
  EXPECT_EQ(before.segmentBytes, 0x10000u);
  auto* large = static_cast<unsigned char*>(eslHeapAllocate(heap_, 40000, kEslHeapZeroFill));
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(large) % 16, 0u);
  EslHeapInfo with = eslHeapGetInfo(heap_);
  EXPECT_EQ(with.segments, 2u);
  EXPECT_EQ(with.segmentBytes, 0x10000u + 40960u);
  EXPECT_EQ(large[39999], 0);
  EXPECT_GE(eslHeapGetLength(heap_, large), 40000);
  // A large block still reallocates: growth moves it, its bytes come along.
  large[0] = 7;
  large = static_cast<unsigned char*>(eslHeapReallocate(heap_, large, 100000, 0));
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(large[0], 7);
  EXPECT_EQ(eslHeapGetInfo(heap_).segments, 2u);
  eslHeapFree(heap_, large, 0);
  EXPECT_EQ(eslHeapGetInfo(heap_).segmentBytes, 0x10000u);
}

TEST(SegmentMergeTest, FreeingBothNeighboursOfAFreeBlockMergesThem) {
  if (!kEslHeapHasSegments) GTEST_SKIP();
  // One page: blocks are carved from the end of the first block until it is nearly used up.
  EslHeap* heap = eslHeapCreate(4096, 0, 0, nullptr);
  std::vector<void*> blocks;
  while (eslHeapGetInfo(heap).freeBytes >= 128 + 32) blocks.push_back(eslHeapAllocate(heap, 100, 0));
  ASSERT_EQ(eslHeapGetInfo(heap).segments, 1u);
  size_t freeWithAll = eslHeapGetInfo(heap).freeBytes;
  eslHeapFree(heap, blocks[5], 0);
  eslHeapFree(heap, blocks[4], 0);
  eslHeapFree(heap, blocks[6], 0);
  // Three 112-byte blocks and the two headers between them make one 368-byte free block,
  // which serves a request that none of the three could have served alone.
  EXPECT_EQ(eslHeapGetInfo(heap).freeBytes, freeWithAll + 3 * 112 + 2 * 16);
  void* merged = eslHeapAllocate(heap, 368, 0);
  EXPECT_EQ(merged, blocks[6]);
  EXPECT_EQ(eslHeapGetInfo(heap).segments, 1u);
  eslHeapDestroy(heap);
}

TEST_F(SegmentTest, OneEmptySegmentStaysCached) {
  std::vector<void*> second, third;
  // Fill the first segment, then two more.
  while (eslHeapGetInfo(heap_).segments < 2) second.push_back(eslHeapAllocate(heap_, 4000, 0));
  void* spill = second.back();  // the first block of the second segment
  second.pop_back();
  std::vector<void*> firstSegment = std::move(second);
  second = {spill};
  while (eslHeapGetInfo(heap_).segments < 3) second.push_back(eslHeapAllocate(heap_, 4000, 0));
  third = {second.back()};
  second.pop_back();
  for (int i = 0; i < 5; ++i) third.push_back(eslHeapAllocate(heap_, 4000, 0));
  ASSERT_EQ(eslHeapGetInfo(heap_).segments, 3u);

  for (void* b : second) eslHeapFree(heap_, b, 0);
  EXPECT_EQ(eslHeapGetInfo(heap_).segments, 3u) << "the empty segment is kept";
  for (void* b : third) eslHeapFree(heap_, b, 0);
  EXPECT_EQ(eslHeapGetInfo(heap_).segments, 2u) << "a second empty segment is released";
  for (void* b : firstSegment) eslHeapFree(heap_, b, 0);
  EslHeapInfo info = eslHeapGetInfo(heap_);
  EXPECT_EQ(info.allocatedBlocks, 0u);
}

TEST_F(SegmentTest, GrowingInPlaceZeroesTheAddedBytesAndShrinkingGivesBytesBack) {
  void* keep = eslHeapAllocate(heap_, 64, 0);
  auto* first = static_cast<unsigned char*>(eslHeapAllocate(heap_, 64, 0));
  auto* second = static_cast<unsigned char*>(eslHeapAllocate(heap_, 64, 0));
  memset(first, 0xEE, 64);
  memset(second, 0x11, 64);
  eslHeapFree(heap_, first, 0);  // a free block follows `second` now
  auto* grown = static_cast<unsigned char*>(eslHeapReallocate(heap_, second, 96, kEslHeapZeroFill));
  EXPECT_EQ(grown, second) << "grown into the free neighbour";
  EXPECT_EQ(grown[63], 0x11);
  for (int i = 64; i < 96; ++i) ASSERT_EQ(grown[i], 0) << i;
  size_t freeBefore = eslHeapGetInfo(heap_).freeBytes;
  EXPECT_EQ(eslHeapReallocate(heap_, grown, 16, 0), grown);
  EXPECT_EQ(eslHeapGetLength(heap_, grown), 16);
  // The block had absorbed its 64-byte neighbour (144 bytes); all but 16 and a header return.
  EXPECT_EQ(eslHeapGetInfo(heap_).freeBytes, freeBefore + 144 - 16 - 16);
  eslHeapFree(heap_, grown, 0);
  eslHeapFree(heap_, keep, 0);
}

TEST_F(SegmentTest, BlocksOfASubHeapComeFromItsParent) {
  EslHeap* child = eslHeapCreate(8192, 8192, 0, heap_);
  size_t parentBlocks = eslHeapGetInfo(heap_).allocatedBlocks;
  EXPECT_EQ(parentBlocks, 1u);
  std::vector<void*> blocks;
  for (int i = 0; i < 10; ++i) blocks.push_back(eslHeapAllocate(child, 3000, 0));
  EXPECT_GT(eslHeapGetInfo(heap_).allocatedBlocks, 1u) << "further segments from the parent";
  eslHeapDestroy(child);
  EXPECT_EQ(eslHeapGetInfo(heap_).allocatedBlocks, 0u);
}

TEST(StackHeapTest, RoundsTo16AndGivesLargeRequestsTheirOwnSegment) {
  if (!kEslHeapHasSegments) GTEST_SKIP();
  EslStackHeap* stack = eslStackHeapCreate(0, 0, 0);
  auto* a = static_cast<unsigned char*>(eslStackHeapAllocate(stack, 1));
  auto* b = static_cast<unsigned char*>(eslStackHeapAllocate(stack, 1));
  EXPECT_EQ(b - a, 16);
  EXPECT_EQ(eslStackHeapGetInfo(stack).usedBytes, 32u);
  ASSERT_NE(eslStackHeapAllocate(stack, 100000), nullptr);
  EslStackHeapInfo info = eslStackHeapGetInfo(stack);
  EXPECT_EQ(info.segments, 2u);
  EXPECT_EQ(info.lastSegmentBytes, (100000 + 48 + 4095) / 4096 * 4096);
  eslStackHeapFree(stack);
  info = eslStackHeapGetInfo(stack);
  EXPECT_EQ(info.segments, 1u);
  EXPECT_EQ(info.usedBytes, 0u);
  EXPECT_EQ(eslStackHeapAllocate(stack, 1), a) << "the first segment is reused";
  eslStackHeapDestroy(stack);
}

int g_questions = 0;
bool RetryOnce() { return ++g_questions == 1; }

TEST(OutOfMemoryTest, TheQuestionIsAskedUntilTheAnswerIsNo) {
  if (!kEslHeapHasSegments) GTEST_SKIP();
  auto run = [] {
    EslHeap* heap = eslHeapCreate(0, 0, 0, nullptr);
    rlimit limit{256u << 20, 256u << 20};
    setrlimit(RLIMIT_AS, &limit);
    eslSetOutOfMemoryQuestion(RetryOnce);
    void* block = eslHeapAllocate(heap, 512u << 20, 0);
    // Too large for the heap at all: refused before the system is asked.
    void* absurd = eslHeapAllocate(heap, kEslHeapMaxBlock + 1, 0);
    eslSetOutOfMemoryQuestion(nullptr);
    void* headless = eslHeapAllocate(heap, 512u << 20, 0);
    bool ok = block == nullptr && absurd == nullptr && headless == nullptr && g_questions == 2;
    _exit(ok ? 0 : 1);
  };
  EXPECT_EXIT(run(),
      testing::ExitedWithCode(0), "");
}

// Random allocations, frees and reallocations; every live block is filled with a pattern of its
// own and checked before it changes, so any overlap or lost byte shows.
TEST(HeapWorkloadTest, BlocksNeverOverlapAndKeepTheirBytes) {
  EslHeap* heap = eslHeapCreate(0, 0x8000, 0, nullptr);
  struct Live {
    unsigned char* p;
    size_t size;
    unsigned char seed;
  };
  std::vector<Live> live;
  std::mt19937 random(5);
  auto fill = [](const Live& b) {
    for (size_t i = 0; i < b.size; ++i) b.p[i] = static_cast<unsigned char>(b.seed + i * 7);
  };
  auto check = [](const Live& b) {
    for (size_t i = 0; i < b.size; ++i) {
      if (b.p[i] != static_cast<unsigned char>(b.seed + i * 7)) return false;
    }
    return true;
  };
  auto randomSize = [&] {
    int kind = random() % 10;
    return kind == 0 ? random() % 40000 : kind < 4 ? random() % 2000 : random() % 200;
  };
  for (int step = 0; step < 20000; ++step) {
    int action = random() % 3;
    if (action == 0 || live.empty()) {
      Live b{nullptr, randomSize(), static_cast<unsigned char>(random())};
      b.p = static_cast<unsigned char*>(eslHeapAllocate(heap, b.size, 0));
      ASSERT_NE(b.p, nullptr);
      ASSERT_EQ(reinterpret_cast<uintptr_t>(b.p) % 16, 0u);
      fill(b);
      live.push_back(b);
    } else {
      size_t index = random() % live.size();
      Live& b = live[index];
      ASSERT_TRUE(check(b)) << "step " << step;
      if (action == 1) {
        eslHeapFree(heap, b.p, 0);
        live[index] = live.back();
        live.pop_back();
      } else {
        size_t size = randomSize();
        b.p = static_cast<unsigned char*>(eslHeapReallocate(heap, b.p, size, 0));
        ASSERT_NE(b.p, nullptr);
        b.size = std::min(b.size, size);
        ASSERT_TRUE(check(b)) << "step " << step;
        b.size = size;
        fill(b);
      }
    }
  }
  for (const Live& b : live) ASSERT_TRUE(check(b));
  EXPECT_EQ(eslHeapGetInfo(heap).allocatedBlocks, live.size());
  for (const Live& b : live) eslHeapFree(heap, b.p, 0);
  EslHeapInfo info = eslHeapGetInfo(heap);
  EXPECT_EQ(info.allocatedBlocks, 0u);
  if (kEslHeapHasSegments) {
    EXPECT_LE(info.segments, 2u);
  }
  eslHeapDestroy(heap);
}

}  // namespace
}  // namespace tav::medialib
