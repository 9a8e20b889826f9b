// The private heaps, on the system's heaps and on the fake: a random walk of
// allocations, resizes, frees and whole-heap destructions over two heaps leaves
// every live block with its own contents and zero-filled blocks zero however
// they grow, and a heap hands the large block it shrank away last to its next
// large request of a similar size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/memory/private_heap.h"
#include "tests/seeded.h"
#ifdef STRINGCHURN_FAKE_PLATFORM
#include "tests/fake/fake_platform.h"
#endif

namespace {

// Makes the next call to the system's heaps fail, where the platform can be made
// to: the fake can, a real system cannot.
bool FailNextHeapCall() {
#ifdef STRINGCHURN_FAKE_PLATFORM
  fake::state.failingCall = fake::state.heapCalls + 1;
  return true;
#else
  return false;
#endif
}

struct LiveBlock {
  int heap;
  unsigned char* bytes;
  std::size_t size;
  unsigned char fill;
  bool zero;  // allocated zero-filled and grown with zero only; zero beyond its size
};

bool Zero(const unsigned char* from, const unsigned char* to) {
  return std::all_of(from, to, [](unsigned char b) { return b == 0; });
}

// A block is large from 128 KiB: one shrunk away is kept, and a request takes it.
constexpr std::size_t kLarge = std::size_t{128} << 10;

struct Kept {  // the large block a heap shrank away last, and its usable size; or none
  void* block;
  std::size_t size;
};

// Whether a request of `bytes` (0: one that may not take the kept block) got the
// kept block when, and only when, it fits it: a large request of half its size
// up to the whole. A block handed out is no longer kept.
::testing::AssertionResult HandedWhenItFits(Kept& kept, std::size_t bytes, const void* got) {
  const Kept was = kept;
  const bool fits = bytes >= kLarge && bytes >= was.size / 2 && bytes <= was.size;
  const bool handed = was.block != nullptr && got == was.block;
  if (handed || fits) kept = {};
  if (handed == fits) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << bytes << " bytes " << (fits ? "missed" : "got") << " a kept block of " << was.size;
}

// Every 4,093rd byte and the last one still hold the block's fill.
bool Intact(const LiveBlock& block) {
  for (std::size_t i = 0; i < block.size; i += 4093)
    if (block.bytes[i] != block.fill) return false;
  return block.bytes[block.size - 1] == block.fill;
}

TEST(PrivateHeapTest, LiveBlocksKeepTheirContentsThroughShrinksFreesAndDestruction) {
  Seeded random;
  // Mostly sizes of one large kind, so that a kept block fits the next request;
  // now and then one at an edge of what is kept and of what a kept block serves.
  auto size = [&random](const Kept& kept) {
    const std::size_t edges[] = {kLarge - 1,    kLarge,    kept.size / 2 - 1,
                                 kept.size / 2, kept.size, kept.size + 1};
    if (random.OneIn(4)) return edges[random.Between(0, kept.block == nullptr ? 1 : 5)];
    return static_cast<std::size_t>(random.OneIn(3) ? random.Between(10, 110)
                                                    : random.Between(1'000'000, 2'600'000));
  };
  PrivateHeap* heaps[2] = {CreatePrivateHeap(), CreatePrivateHeap()};
  Kept kept[2] = {};
  std::vector<LiveBlock> live;
  for (int step = 0; step < 400; ++step) {
    const int heap = static_cast<int>(random.Between(0, 1));
    const long choice = random.Between(0, 15);
    LiveBlock* picked =
        live.empty() ? nullptr : &live[random.Between(0, static_cast<long>(live.size()) - 1)];
    const auto fill = static_cast<unsigned char>(step);
    if (choice == 0) {  // the heap goes with everything on it, and a new one takes its place
      DestroyPrivateHeap(heaps[heap]);
      std::erase_if(live, [heap](const LiveBlock& b) { return b.heap == heap; });
      heaps[heap] = CreatePrivateHeap();
      kept[heap] = {};
    } else if ((choice < 7 || picked == nullptr) && live.size() < 12) {
      const std::size_t bytes = size(kept[heap]);
      const bool zero = random.OneIn(4);
      auto* block = static_cast<unsigned char*>(AllocateBlock(heaps[heap], bytes, zero));
      ASSERT_NE(block, nullptr);
      ASSERT_TRUE(!zero || Zero(block, block + BlockSize(heaps[heap], block))) << "step " << step;
      ASSERT_TRUE(HandedWhenItFits(kept[heap], zero ? 0 : bytes, block)) << "step " << step;
      live.push_back({heap, block, bytes, fill, zero});
      std::memset(block, fill, bytes);
    } else if (choice < 13 && picked != nullptr) {
      PrivateHeap* on = heaps[picked->heap];
      const std::size_t old = BlockSize(on, picked->bytes);
      // Zero-filled blocks grow, as object tables grow their slots, and now and
      // then shrink (their bytes beyond the size are then no longer zero); others
      // shrink to the edge of what is kept, stay as large as they are, or take
      // any size.
      const std::size_t half = std::max<std::size_t>(old / 2, 2);
      const std::size_t shrunk[] = {10, half, half - 1, old};
      const bool shrinks = random.OneIn(2);
      std::size_t bytes = shrinks ? shrunk[random.Between(0, 3)] : size(kept[picked->heap]);
      if (picked->zero && (!shrinks || !random.OneIn(4)))
        bytes = picked->size + random.Between(1, 300);
      // Now and then a shrink finds the system with nothing to give: no new block
      // for a large one, no resize for another. It shrinks all the same.
      const bool starved = bytes <= old && random.OneIn(3) && FailNextHeapCall();
      auto* resized =
          static_cast<unsigned char*>(ResizeBlock(on, picked->bytes, bytes, picked->zero));
      ASSERT_TRUE(resized != nullptr) << "step " << step << ": resized to " << bytes;
      ASSERT_TRUE(
          HandedWhenItFits(kept[picked->heap], picked->zero || bytes <= old ? 0 : bytes, resized))
          << "step " << step;
      if (!picked->zero && old >= kLarge && bytes < old / 2 && !starved)
        kept[picked->heap] = {picked->bytes, old};
      picked->bytes = resized;
      ASSERT_TRUE(Intact({0, resized, std::min(picked->size, bytes), picked->fill, false}))
          << "step " << step;
      ASSERT_TRUE(!picked->zero || Zero(resized + picked->size, resized + bytes))
          << "step " << step << ": grown from " << picked->size << " to " << bytes;
      ASSERT_GE(BlockSize(on, resized), bytes);
      picked->zero = picked->zero && bytes >= picked->size;
      picked->fill = fill;
      picked->size = bytes;
      std::memset(resized, fill, bytes);
    } else if (picked != nullptr) {
      FreeBlock(heaps[picked->heap], picked->bytes);
      live.erase(live.begin() + (picked - live.data()));
    }
    for (const LiveBlock& b : live) ASSERT_TRUE(Intact(b)) << "step " << step;
  }
  FreeBlock(heaps[0], nullptr);
  for (PrivateHeap* heap : {heaps[0], heaps[1], static_cast<PrivateHeap*>(nullptr)})
    DestroyPrivateHeap(heap);
}

}  // namespace
