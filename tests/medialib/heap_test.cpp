#include "medialib/heap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace tav::medialib {
namespace {

class HeapTest : public testing::Test {
 protected:
  void TearDown() override { eslHeapDestroy(heap_); }
  EslHeap* heap_ = eslHeapCreate(0, 0, 0, nullptr);
};

TEST_F(HeapTest, SizesRoundUpToEightAndZeroGivesEight) {
  void* empty = eslHeapAllocate(heap_, 0, 0);
  void* odd = eslHeapAllocate(heap_, 13, 0);
  ASSERT_NE(empty, nullptr);
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(eslHeapGetLength(heap_, empty), 8);
  EXPECT_EQ(eslHeapGetLength(heap_, odd), 16);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(empty) % 8, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(odd) % 8, 0u);
  EXPECT_EQ(eslHeapFree(heap_, empty, 0), 0);
  EXPECT_EQ(eslHeapFree(heap_, odd, 0), 0);
}

TEST_F(HeapTest, GetLengthRejectsWhatIsNotALiveBlock) {
  auto* block = static_cast<char*>(eslHeapAllocate(heap_, 32, 0));
  EXPECT_EQ(eslHeapGetLength(heap_, nullptr), -1);
  EXPECT_EQ(eslHeapGetLength(heap_, block + 1), -1);  // odd address
  uint64_t notABlock[8] = {};
  EXPECT_EQ(eslHeapGetLength(heap_, &notABlock[6]), -1);
  eslHeapFree(heap_, block, 0);
}

TEST_F(HeapTest, ZeroFillComesFromTheCallOrTheHeap) {
  auto* dirty = static_cast<unsigned char*>(eslHeapAllocate(heap_, 64, 0));
  memset(dirty, 0xAB, 64);
  eslHeapFree(heap_, dirty, 0);
  auto* zeroed = static_cast<unsigned char*>(eslHeapAllocate(heap_, 64, kEslHeapZeroFill));
  for (int i = 0; i < 64; ++i) ASSERT_EQ(zeroed[i], 0) << i;
  eslHeapFree(heap_, zeroed, 0);

  EslHeap* zeroHeap = eslHeapCreate(0, 0, kEslHeapZeroFill, nullptr);
  auto* fromHeap = static_cast<unsigned char*>(eslHeapAllocate(zeroHeap, 100, 0));
  for (int i = 0; i < 104; ++i) ASSERT_EQ(fromHeap[i], 0) << i;
  eslHeapDestroy(zeroHeap);  // frees the block still allocated
}

TEST_F(HeapTest, ReallocateKeepsTheBytesAndZeroesTheGrownTail) {
  EXPECT_EQ(eslHeapGetLength(heap_, eslHeapReallocate(heap_, nullptr, 0, 0)), 8);  // null allocates
  auto* block = static_cast<unsigned char*>(eslHeapAllocate(heap_, 24, 0));
  for (int i = 0; i < 24; ++i) block[i] = static_cast<unsigned char>(i + 1);
  block = static_cast<unsigned char*>(eslHeapReallocate(heap_, block, 5000, kEslHeapZeroFill));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(eslHeapGetLength(heap_, block), 5000);
  for (int i = 0; i < 24; ++i) ASSERT_EQ(block[i], i + 1) << i;
  for (int i = 24; i < 5000; ++i) ASSERT_EQ(block[i], 0) << i;
  // Shrinking to 3 bytes keeps them; with zero-fill the rest of the 8-byte block is cleared.
  block = static_cast<unsigned char*>(eslHeapReallocate(heap_, block, 3, kEslHeapZeroFill));
  EXPECT_EQ(eslHeapGetLength(heap_, block), 8);
  EXPECT_EQ(block[2], 3);
  EXPECT_EQ(block[3], 0);
  EXPECT_EQ(eslHeapReallocate(heap_, block + 1, 16, 0), nullptr);  // invalid pointer
  EXPECT_EQ(eslHeapReallocate(heap_, block, kEslHeapMaxBlock + 1, 0), nullptr);
  EXPECT_EQ(block[0], 1);  // a failed reallocation leaves the block alone
  eslHeapFree(heap_, block, 0);
}

TEST_F(HeapTest, FreeIgnoresNullAndBlocksOfOtherHeaps) {
  EXPECT_EQ(eslHeapFree(heap_, nullptr, 0), 0);
  void* global = eslHeapAllocate(nullptr, 16, 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(eslHeapFree(heap_, global, 0), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("無効なメモリブロック"), std::string::npos);
  EXPECT_EQ(eslHeapGetLength(nullptr, global), 16);  // still allocated
  eslHeapFree(nullptr, global, 0);
}

TEST(GlobalHeapTest, FreeingListsLeakedBlocksAndTheNextUseStartsAfresh) {
  EslHeap* first = eslGetGlobalHeap();
  EXPECT_EQ(eslGetGlobalHeap(), first);
  for (int i = 0; i < 3; ++i) {
    auto* leaked = static_cast<unsigned char*>(eslHeapAllocate(nullptr, 4, kEslHeapZeroFill));
    leaked[0] = static_cast<unsigned char>(0xA0 + i);
  }
  testing::internal::CaptureStderr();
  eslFreeGlobalHeap();
  std::string dump = testing::internal::GetCapturedStderr();
  size_t heading = dump.find("ESL の解放されていないメモリブロックがあります\n");
  EXPECT_EQ(heading, 0u) << dump;
  EXPECT_EQ(dump.find("ESL の", heading + 1), std::string::npos);
  int lines = 0;
  for (size_t at = 0; (at = dump.find("block ", at)) != std::string::npos; ++at) ++lines;
  EXPECT_EQ(lines, 3);
  EXPECT_NE(dump.find("(8 bytes) : A0 00 00 00 00 00 00 00\n"), std::string::npos) << dump;

  void* again = eslHeapAllocate(nullptr, 8, 0);  // a fresh global heap
  EXPECT_EQ(eslHeapGetLength(nullptr, again), 8);
  eslHeapFree(nullptr, again, 0);
}

TEST(SubHeapTest, AChildKeepsItsParentAlive) {
  EslHeap* parent = eslHeapCreate(0, 0, 0, nullptr);
  EslHeap* child = eslHeapCreate(4096, 0, kEslHeapNoLock, parent);
  void* fromParent = eslHeapAllocate(parent, 16, 0);
  eslHeapDestroy(parent);  // the child still holds a reference
  EXPECT_EQ(eslHeapGetLength(parent, fromParent), 16);
  void* fromChild = eslHeapAllocate(child, 16, 0);
  EXPECT_EQ(eslHeapGetLength(child, fromChild), 16);
  eslHeapDestroy(child);  // releases the child and then the parent with its block
}

}  // namespace
}  // namespace tav::medialib
