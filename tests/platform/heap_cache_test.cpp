// Large blocks on the real private heaps, which may keep a block that one heap
// shrank or freed for that heap's next large allocation. Whatever they keep, a
// random walk of allocations, resizes, frees and whole-heap destructions over
// two heaps leaves every live block with its own contents.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "runtime/platform/platform.h"

namespace {

struct LiveBlock {
  int heap;
  unsigned char* bytes;
  std::size_t size;
  unsigned char fill;
};

void Fill(LiveBlock& block, unsigned char fill) {
  block.fill = fill;
  std::memset(block.bytes, fill, block.size);
}

// Every 4,093rd byte and the last one still hold the block's fill.
bool Intact(const LiveBlock& block) {
  for (std::size_t i = 0; i < block.size; i += 4093)
    if (block.bytes[i] != block.fill) return false;
  return block.bytes[block.size - 1] == block.fill;
}

TEST(PrivateHeapReuseTest, LiveBlocksKeepTheirContentsThroughShrinksFreesAndDestruction) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  // Mostly sizes of one large kind, so that a kept block fits the next request.
  auto size = [&random] {
    return random() % 3 == 0 ? 10 + random() % 100 : 2'000'010 + random() % 600'000;
  };
  platform::HeapHandle heaps[2] = {platform::CreatePrivateHeap(), platform::CreatePrivateHeap()};
  std::vector<LiveBlock> live;
  for (int step = 0; step < 400; ++step) {
    const int heap = static_cast<int>(random() % 2);
    const unsigned choice = random() % 16;
    const std::size_t pick = live.empty() ? 0 : random() % live.size();
    if (choice == 0) {
      // Destroy the heap with everything on it, and start a new one in its place.
      platform::DestroyPrivateHeap(heaps[heap]);
      std::erase_if(live, [heap](const LiveBlock& b) { return b.heap == heap; });
      heaps[heap] = platform::CreatePrivateHeap();
    } else if (choice < 7 || live.empty()) {
      if (live.size() >= 12) continue;
      const std::size_t bytes = size();
      auto* block = static_cast<unsigned char*>(platform::AllocateBlock(heaps[heap], bytes, false));
      ASSERT_NE(block, nullptr);
      live.push_back({heap, block, bytes, 0});
      Fill(live.back(), static_cast<unsigned char>(step));
    } else if (choice < 13) {
      LiveBlock& b = live[pick];
      const std::size_t bytes = random() % 2 == 0 ? 10 : size();
      b.bytes =
          static_cast<unsigned char*>(platform::ResizeBlock(heaps[b.heap], b.bytes, bytes, false));
      ASSERT_NE(b.bytes, nullptr);
      b.size = std::min(b.size, bytes);
      ASSERT_TRUE(Intact(b)) << "step " << step << ": resized to " << bytes;
      b.size = bytes;
      Fill(b, static_cast<unsigned char>(step));
    } else {
      platform::FreeBlock(heaps[live[pick].heap], live[pick].bytes);
      live.erase(live.begin() + static_cast<std::ptrdiff_t>(pick));
    }
    for (const LiveBlock& b : live) ASSERT_TRUE(Intact(b)) << "step " << step;
  }
  platform::DestroyPrivateHeap(heaps[0]);
  platform::DestroyPrivateHeap(heaps[1]);
}

}  // namespace
