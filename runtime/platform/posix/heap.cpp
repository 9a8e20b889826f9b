// Private heaps on Linux: mimalloc's first-class heaps, which are destroyed with
// all their blocks in one call, exactly the contract of the seam. Each heap also
// keeps the last large block that it shrank away, for its next allocation of a
// similar size: mimalloc gives a large block pages of its own, whose setup and
// release cost several times a reuse, and hands a block above 16 MiB back to the
// system at once, so that the next one is faulted in page by page at several
// times the cost of its copy.
#include <mimalloc.h>

#include <cstring>

#include "runtime/platform/platform.h"

namespace {

// Blocks from this size on are kept for reuse rather than freed; mimalloc serves
// smaller ones from shared pages.
constexpr std::size_t kSpareMinBytes = std::size_t{128} << 10;

// What a HeapHandle points to. It is itself a block of its heap, so destroying
// the heap frees it, and the spare block with it.
struct PrivateHeap {
  mi_heap_t* heap;
  void* spare;  // a large block this heap no longer uses, or null
};

PrivateHeap* Of(platform::HeapHandle heap) {
  return static_cast<PrivateHeap*>(heap);
}

// The spare block when it serves `bytes` without wasting more than half of it;
// it is then no longer spare.
void* TakeSpare(PrivateHeap* heap, std::size_t bytes) {
  if (heap->spare == nullptr || bytes < kSpareMinBytes) return nullptr;
  const std::size_t size = mi_usable_size(heap->spare);
  if (bytes > size || bytes < size / 2) return nullptr;
  void* block = heap->spare;
  heap->spare = nullptr;
  return block;
}

// Keeps `block` as the spare, freeing the one it replaces.
void KeepSpare(PrivateHeap* heap, void* block) {
  mi_free(heap->spare);
  heap->spare = block;
}

}  // namespace

namespace platform {

HeapHandle CreatePrivateHeap() {
  mi_heap_t* heap = mi_heap_new();
  if (heap == nullptr) return nullptr;
  auto* handle = static_cast<PrivateHeap*>(mi_heap_malloc(heap, sizeof(PrivateHeap)));
  if (handle == nullptr) {
    mi_heap_destroy(heap);
    return nullptr;
  }
  *handle = {heap, nullptr};
  return handle;
}

void* AllocateBlock(HeapHandle heap, std::size_t bytes, bool zero) {
  PrivateHeap* h = Of(heap);
  if (zero) return mi_heap_zalloc(h->heap, bytes);
  if (void* spare = TakeSpare(h, bytes)) return spare;
  return mi_heap_malloc(h->heap, bytes);
}

void* ResizeBlock(HeapHandle heap, void* block, std::size_t bytes, bool zeroGrowth) {
  PrivateHeap* h = Of(heap);
  // mimalloc zero-fills the growth of a block whose slack was zeroed when it was
  // allocated, which is what the contract asks of zero-filled blocks.
  if (zeroGrowth) return mi_heap_rezalloc(h->heap, block, bytes);
  const std::size_t size = mi_usable_size(block);
  if (size >= kSpareMinBytes && bytes < size / 2) {
    // Shrinking a large block: mimalloc would move the contents to a new block
    // and free this one; it is kept instead.
    void* moved = mi_heap_malloc(h->heap, bytes);
    if (moved == nullptr) return nullptr;
    std::memcpy(moved, block, bytes);
    KeepSpare(h, block);
    return moved;
  }
  if (bytes > size) {
    if (void* spare = TakeSpare(h, bytes)) {
      std::memcpy(spare, block, size);
      mi_free(block);
      return spare;
    }
  }
  return mi_heap_realloc(h->heap, block, bytes);
}

std::size_t BlockSize(HeapHandle, const void* block) {
  return mi_usable_size(block);
}

void FreeBlock(HeapHandle, void* block) {
  mi_free(block);
}

void DestroyPrivateHeap(HeapHandle heap) {
  if (heap != nullptr) mi_heap_destroy(Of(heap)->heap);
}

}  // namespace platform
