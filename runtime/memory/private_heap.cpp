// Large-block reuse and zero-filled growth over the system's heaps. A system
// gives a large block pages of its own and returns them when the block is freed
// (Windows from about half a megabyte, mimalloc above 16 MiB), so the next one
// is faulted in page by page at several times the cost of its copy; below that,
// their own setup and release of a large block still cost several times a reuse.
#include "runtime/memory/private_heap.h"

#include <cstring>

namespace {

// The spare block when it serves `bytes` without wasting more than half of it;
// it is then no longer spare.
void* TakeSpare(PrivateHeap* heap, std::size_t bytes) {
  if (heap->spare == nullptr || bytes < LargeBlockBytes) return nullptr;
  const std::size_t size = platform::BlockSize(heap->system, heap->spare);
  if (bytes > size || bytes < size / 2) return nullptr;
  void* block = heap->spare;
  heap->spare = nullptr;
  return block;
}

// Keeps `block` as the spare, freeing the one it replaces.
void KeepSpare(PrivateHeap* heap, void* block) {
  platform::FreeBlock(heap->system, heap->spare);
  heap->spare = block;
}

// A resize whose growth is zero. The system keeps only the contents, and what
// lies beyond the old usable size may be old data even where the system zeroed
// a grown block up to the size asked.
void* ResizeZeroGrowth(PrivateHeap* heap, void* block, std::size_t bytes) {
  const std::size_t old = platform::BlockSize(heap->system, block);
  auto* resized = static_cast<unsigned char*>(platform::ResizeBlock(heap->system, block, bytes));
  if (resized == nullptr) return bytes <= old ? block : nullptr;  // a shrink never fails
  const std::size_t size = platform::BlockSize(heap->system, resized);
  if (size > old) std::memset(resized + old, 0, size - old);
  return resized;
}

}  // namespace

PrivateHeap* CreatePrivateHeap() {
  platform::HeapHandle system = platform::CreatePrivateHeap();
  if (system == nullptr) return nullptr;
  auto* heap =
      static_cast<PrivateHeap*>(platform::AllocateBlock(system, sizeof(PrivateHeap), false));
  if (heap == nullptr) {
    platform::DestroyPrivateHeap(system);
    return nullptr;
  }
  *heap = {system, nullptr};
  return heap;
}

// A zero-filled block never comes from the spare: the system hands out fresh
// pages zero without touching them, which a memset here would undo.
void* AllocateBlock(PrivateHeap* heap, std::size_t bytes, bool zero) {
  if (!zero) {
    if (void* spare = TakeSpare(heap, bytes)) return spare;
  }
  return platform::AllocateBlock(heap->system, bytes, zero);
}

void* ResizeBlock(PrivateHeap* heap, void* block, std::size_t bytes, bool zeroGrowth) {
  if (zeroGrowth) return ResizeZeroGrowth(heap, block, bytes);
  const std::size_t size = platform::BlockSize(heap->system, block);
  if (size >= LargeBlockBytes && bytes < size / 2) {
    // A large block shrunk well below its size is kept whole, and its contents
    // move to a block of the new size; without one, it shrinks where it is.
    if (void* moved = platform::AllocateBlock(heap->system, bytes, false)) {
      std::memcpy(moved, block, bytes);
      KeepSpare(heap, block);
      return moved;
    }
  }
  if (bytes > size) {
    if (void* spare = TakeSpare(heap, bytes)) {
      std::memcpy(spare, block, size);
      platform::FreeBlock(heap->system, block);
      return spare;
    }
  }
  void* resized = platform::ResizeBlock(heap->system, block, bytes);
  // A shrink never fails: the block as it is holds the bytes asked for.
  return resized == nullptr && bytes <= size ? block : resized;
}

std::size_t BlockSize(PrivateHeap* heap, const void* block) {
  return platform::BlockSize(heap->system, block);
}

void FreeBlock(PrivateHeap* heap, void* block) {
  platform::FreeBlock(heap->system, block);
}

void DestroyPrivateHeap(PrivateHeap* heap) {
  if (heap != nullptr) platform::DestroyPrivateHeap(heap->system);
}
