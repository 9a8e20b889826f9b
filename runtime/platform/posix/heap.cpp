// Private heaps on Linux: mimalloc's first-class heaps, which are destroyed with
// all their blocks in one call, exactly the contract of the seam.
#include <mimalloc.h>

#include "runtime/platform/platform.h"

namespace platform {

namespace {

mi_heap_t* Of(HeapHandle heap) {
  return reinterpret_cast<mi_heap_t*>(heap);
}

}  // namespace

HeapHandle CreatePrivateHeap() {
  return reinterpret_cast<HeapHandle>(mi_heap_new());
}

// mimalloc zeroes the whole usable size of a zero-filled block.
void* AllocateBlock(HeapHandle heap, std::size_t bytes, bool zero) {
  return zero ? mi_heap_zalloc(Of(heap), bytes) : mi_heap_malloc(Of(heap), bytes);
}

void* ResizeBlock(HeapHandle heap, void* block, std::size_t bytes) {
  return mi_heap_realloc(Of(heap), block, bytes);
}

std::size_t BlockSize(HeapHandle, const void* block) {
  return mi_usable_size(block);
}

void FreeBlock(HeapHandle, void* block) {
  mi_free(block);
}

void DestroyPrivateHeap(HeapHandle heap) {
  if (heap != nullptr) mi_heap_destroy(Of(heap));
}

}  // namespace platform
