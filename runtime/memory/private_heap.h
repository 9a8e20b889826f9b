// The private heaps as the runtime uses them: the system's heaps of platform.h
// with the policy that is the same on every system, written once here. A heap
// keeps the last large block it shrank away and hands it to its next large
// request of a similar size, and zero-filled growth is zero however the system
// grew the block.
#pragma once

#include <cstddef>

#include "runtime/platform/platform.h"

// What a private heap's handle points to. It is itself a block of the system's
// heap, so destroying the heap releases it, and the kept block with it. Only
// this unit reads or writes its fields.
struct PrivateHeap {
  platform::HeapHandle system;
  void* spare;  // a large block that no caller holds, kept for reuse; or null
};

// Blocks from this size on are large: one that a shrink leaves behind is kept.
inline constexpr std::size_t LargeBlockBytes = std::size_t{128} << 10;

// Creates a private heap; null when the system refuses. Blocks may be allocated
// and resized only on the thread that created the heap; any thread may free
// into it.
PrivateHeap* CreatePrivateHeap();

// A block of at least `bytes` bytes (0 is allowed); with `zero` every byte of
// it, up to BlockSize, is zero. Null on failure; never throws.
void* AllocateBlock(PrivateHeap* heap, std::size_t bytes, bool zero);

// Resizes `block` (not null, from `heap`) to at least `bytes` bytes; the block
// may move. The contents up to the smaller of its old BlockSize and `bytes` are
// kept; with `zeroGrowth`, every byte from the old BlockSize to the new one is
// zero. Null on failure, with `block` unchanged and still valid; a shrink
// (`bytes` at most BlockSize) never fails.
void* ResizeBlock(PrivateHeap* heap, void* block, std::size_t bytes, bool zeroGrowth);

// The usable bytes of `block` (not null, from `heap`): at least the size it was
// allocated or last resized with, every one of them the caller's.
std::size_t BlockSize(PrivateHeap* heap, const void* block);

// Frees `block` into `heap`; a null block is ignored.
void FreeBlock(PrivateHeap* heap, void* block);

// Destroys `heap` and every block still allocated from it; a null heap is ignored.
void DestroyPrivateHeap(PrivateHeap* heap);
