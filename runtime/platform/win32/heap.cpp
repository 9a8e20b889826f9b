// Private heaps on Windows: KERNEL32's heap functions. A block's usable size is
// the size it was asked with, which HEAP_ZERO_MEMORY zeroes whole.
#include <windows.h>

#include "runtime/platform/platform.h"

namespace platform {

HeapHandle CreatePrivateHeap() {
  return static_cast<HeapHandle>(::HeapCreate(0, 4096, 0));
}

void* AllocateBlock(HeapHandle heap, std::size_t bytes, bool zero) {
  return ::HeapAlloc(static_cast<HANDLE>(heap), zero ? HEAP_ZERO_MEMORY : 0, bytes);
}

void* ResizeBlock(HeapHandle heap, void* block, std::size_t bytes) {
  return ::HeapReAlloc(static_cast<HANDLE>(heap), 0, block, bytes);
}

std::size_t BlockSize(HeapHandle heap, const void* block) {
  const SIZE_T size = ::HeapSize(static_cast<HANDLE>(heap), 0, block);
  return size == static_cast<SIZE_T>(-1) ? 0 : size;
}

void FreeBlock(HeapHandle heap, void* block) {
  if (block != nullptr) ::HeapFree(static_cast<HANDLE>(heap), 0, block);
}

void DestroyPrivateHeap(HeapHandle heap) {
  if (heap != nullptr) ::HeapDestroy(static_cast<HANDLE>(heap));
}

}  // namespace platform
