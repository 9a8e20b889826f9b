// Private heaps on Linux: mimalloc's first-class heaps, which are destroyed with
// all their blocks in one call, exactly the contract of the seam.
#include <mimalloc.h>

#include "runtime/platform/platform.h"

namespace platform {

HeapHandle CreatePrivateHeap() {
  return mi_heap_new();
}

void* AllocateBlock(HeapHandle heap, std::size_t bytes, bool zero) {
  auto* h = static_cast<mi_heap_t*>(heap);
  return zero ? mi_heap_zalloc(h, bytes) : mi_heap_malloc(h, bytes);
}

void* ResizeBlock(HeapHandle heap, void* block, std::size_t bytes, bool zeroGrowth) {
  auto* h = static_cast<mi_heap_t*>(heap);
  // mimalloc zero-fills the growth of a block whose slack was zeroed when it was
  // allocated, which is what the contract asks of zero-filled blocks.
  return zeroGrowth ? mi_heap_rezalloc(h, block, bytes) : mi_heap_realloc(h, block, bytes);
}

std::size_t BlockSize(HeapHandle, const void* block) {
  return mi_usable_size(block);
}

void FreeBlock(HeapHandle, void* block) {
  mi_free(block);
}

void DestroyPrivateHeap(HeapHandle heap) {
  if (heap != nullptr) mi_heap_destroy(static_cast<mi_heap_t*>(heap));
}

}  // namespace platform
