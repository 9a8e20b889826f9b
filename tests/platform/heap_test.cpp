// The real private heaps, which may keep a large block that one heap shrank for
// that heap's next large allocation: a random walk of allocations, resizes,
// frees and whole-heap destructions over two heaps leaves every live block with
// its own contents, and zero-filled blocks zero.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/platform/platform.h"
#include "tests/seeded.h"

namespace {

struct LiveBlock {
  int heap;
  unsigned char* bytes;
  std::size_t size;
  unsigned char fill;
};

// Every 4,093rd byte and the last one still hold the block's fill.
bool Intact(const LiveBlock& block) {
  for (std::size_t i = 0; i < block.size; i += 4093)
    if (block.bytes[i] != block.fill) return false;
  return block.bytes[block.size - 1] == block.fill;
}

TEST(PrivateHeapTest, LiveBlocksKeepTheirContentsThroughShrinksFreesAndDestruction) {
  Seeded random;
  // Mostly sizes of one large kind, so that a kept block fits the next request.
  auto size = [&random] {
    return static_cast<std::size_t>(random.OneIn(3) ? random.Between(10, 110)
                                                    : random.Between(2'000'010, 2'600'000));
  };
  platform::HeapHandle heaps[2] = {platform::CreatePrivateHeap(), platform::CreatePrivateHeap()};
  std::vector<LiveBlock> live;
  for (int step = 0; step < 400; ++step) {
    const int heap = static_cast<int>(random.Between(0, 1));
    const long choice = random.Between(0, 15);
    LiveBlock* picked =
        live.empty() ? nullptr : &live[random.Between(0, static_cast<long>(live.size()) - 1)];
    const auto fill = static_cast<unsigned char>(step);
    if (choice == 0) {  // the heap goes with everything on it, and a new one takes its place
      platform::DestroyPrivateHeap(heaps[heap]);
      std::erase_if(live, [heap](const LiveBlock& b) { return b.heap == heap; });
      heaps[heap] = platform::CreatePrivateHeap();
    } else if ((choice < 7 || picked == nullptr) && live.size() < 12) {
      const std::size_t bytes = size();
      const bool zero = random.OneIn(4);
      auto* block = static_cast<unsigned char*>(platform::AllocateBlock(heaps[heap], bytes, zero));
      live.push_back({heap, block, bytes, 0});
      ASSERT_TRUE(block != nullptr && (!zero || Intact(live.back())));
      std::memset(block, live.back().fill = fill, bytes);
    } else if (choice < 13 && picked != nullptr) {
      const std::size_t bytes = random.OneIn(2) ? 10 : size();
      picked->bytes = static_cast<unsigned char*>(
          platform::ResizeBlock(heaps[picked->heap], picked->bytes, bytes, false));
      picked->size = std::min(picked->size, bytes);
      ASSERT_TRUE(picked->bytes != nullptr && Intact(*picked))
          << "step " << step << ": resized to " << bytes;
      ASSERT_GE(platform::BlockSize(heaps[picked->heap], picked->bytes), bytes);
      std::memset(picked->bytes, picked->fill = fill, picked->size = bytes);
    } else if (picked != nullptr) {
      platform::FreeBlock(heaps[picked->heap], picked->bytes);
      live.erase(live.begin() + (picked - live.data()));
    }
    for (const LiveBlock& b : live) ASSERT_TRUE(Intact(b)) << "step " << step;
  }
  // Zero-filled blocks grow zero-filled.
  auto* slots = static_cast<void**>(platform::AllocateBlock(heaps[0], 16 * sizeof(void*), true));
  slots = static_cast<void**>(platform::ResizeBlock(heaps[0], slots, 1000 * sizeof(void*), true));
  EXPECT_EQ(std::vector<void*>(slots, slots + 1000), std::vector<void*>(1000));
  platform::FreeBlock(heaps[0], nullptr);
  for (platform::HeapHandle heap : {heaps[0], heaps[1], static_cast<platform::HeapHandle>(nullptr)})
    platform::DestroyPrivateHeap(heap);
}

}  // namespace
