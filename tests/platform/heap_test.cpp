// The real private heaps of this system, natively and under Wine.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/platform/platform.h"

namespace {

TEST(PrivateHeapTest, AllocatesResizesAndKeepsTheContents) {
  platform::HeapHandle heap = platform::CreatePrivateHeap();
  ASSERT_NE(heap, nullptr);

  auto* block = static_cast<unsigned char*>(platform::AllocateBlock(heap, 100, false));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 100; ++i) block[i] = static_cast<unsigned char>(i);

  block = static_cast<unsigned char*>(platform::ResizeBlock(heap, block, 2'000'010, false));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(block[i], i);
  std::memset(block + 100, 0xAB, 2'000'010 - 100);

  block = static_cast<unsigned char*>(platform::ResizeBlock(heap, block, 10, false));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 10; ++i) ASSERT_EQ(block[i], i);

  platform::FreeBlock(heap, block);
  platform::FreeBlock(heap, nullptr);
  platform::DestroyPrivateHeap(heap);
}

TEST(PrivateHeapTest, ZeroFillsNewBlocksAndTheirGrowth) {
  platform::HeapHandle heap = platform::CreatePrivateHeap();
  ASSERT_NE(heap, nullptr);
  auto* slots = static_cast<void**>(platform::AllocateBlock(heap, 16 * sizeof(void*), true));
  ASSERT_NE(slots, nullptr);
  for (int i = 0; i < 16; ++i) ASSERT_EQ(slots[i], nullptr);
  for (int i = 0; i < 16; ++i) slots[i] = slots + i;

  slots = static_cast<void**>(platform::ResizeBlock(heap, slots, 1000 * sizeof(void*), true));
  ASSERT_NE(slots, nullptr);
  for (int i = 16; i < 1000; ++i) ASSERT_EQ(slots[i], nullptr) << i;
  platform::DestroyPrivateHeap(heap);
}

TEST(PrivateHeapTest, DestroyReleasesLiveBlocksAndLeavesOtherHeapsAlone) {
  platform::HeapHandle doomed = platform::CreatePrivateHeap();
  platform::HeapHandle kept = platform::CreatePrivateHeap();
  ASSERT_NE(doomed, nullptr);
  ASSERT_NE(kept, nullptr);
  auto* keep = static_cast<char*>(platform::AllocateBlock(kept, 64, false));
  std::memcpy(keep, "survives", 9);
  for (int i = 0; i < 1000; ++i)
    ASSERT_NE(platform::AllocateBlock(doomed, 1000 + i, false), nullptr);
  ASSERT_NE(platform::AllocateBlock(doomed, 3'000'000, false), nullptr);
  platform::DestroyPrivateHeap(doomed);
  EXPECT_STREQ(keep, "survives");
  platform::DestroyPrivateHeap(kept);
  platform::DestroyPrivateHeap(nullptr);
}

}  // namespace
