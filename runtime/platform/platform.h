// The one seam between the runtime and the operating system. Every service the
// runtime needs from the system is declared here, with its contract; win32/ and
// posix/ translate these contracts and hold no behaviour of the runtime.
// Unit tests link a scripted fake implementation of this header instead.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// ---- Private heaps ---------------------------------------------------------

// A private heap: a growable pool of blocks that can be destroyed whole.
using HeapHandle = void*;

// Creates a private heap with an initial size of 4,096 bytes and no maximum.
// Returns null when the system refuses. Heap blocks may be allocated only on the
// thread that created the heap; any thread may free into it.
HeapHandle CreatePrivateHeap();

// Allocates a block of at least `bytes` bytes (0 is allowed) from `heap`,
// zero-filled when `zero` is set. Returns null on failure; never throws.
void* AllocateBlock(HeapHandle heap, std::size_t bytes, bool zero);

// Resizes `block` (not null, from `heap`) to `bytes` bytes; the block may move.
// The contents up to the smaller of the two sizes are kept. With `zeroGrowth`
// the bytes beyond the old size are zero, provided the block was allocated
// zero-filled and only ever resized with `zeroGrowth`. Returns the block's new
// address, or null on failure, in which case `block` is unchanged and still valid.
void* ResizeBlock(HeapHandle heap, void* block, std::size_t bytes, bool zeroGrowth);

// Frees `block` into `heap`. A null block is ignored.
void FreeBlock(HeapHandle heap, void* block);

// Destroys `heap` and every block still allocated from it. A null heap is ignored.
void DestroyPrivateHeap(HeapHandle heap);

// ---- Locks -------------------------------------------------------------------

// A mutual-exclusion lock that the thread holding it may enter again. Its storage
// is the caller's (a global, typically); it is never destroyed.
struct Lock {
  alignas(16) unsigned char storage[64];
};

// Prepares `lock` for use; called once, before any other thread can see it.
void InitializeLock(Lock* lock);
// Waits until the calling thread holds `lock`.
void EnterLock(Lock* lock);
// Gives up one hold of `lock` by the calling thread.
void LeaveLock(Lock* lock);

// ---- Time --------------------------------------------------------------------

// Writes the frequency of the high-resolution counter, in ticks per second, to
// `frequency` and returns true; on failure writes 0 and returns false.
bool QueryCounterFrequency(std::int64_t* frequency);
// Writes the current value of the high-resolution counter to `counter` and
// returns true; on failure leaves `counter` as it was and returns false.
bool QueryCounter(std::int64_t* counter);
// Milliseconds since the system started, wrapping after 2^32.
std::uint32_t TickCount();
// ---- Shared libraries --------------------------------------------------------

// A module loaded at run time (a DLL, a shared object); null is none.
using ModuleHandle = void*;

// Bytes that the narrow form of a function name, its NUL included, may take.
inline constexpr std::size_t FunctionNameBytes = 260;

// Loads the module at `path` (NUL-terminated UTF-16, not null), or takes one more
// hold on it if it is loaded already. Returns null when it cannot be loaded.
ModuleHandle OpenModule(const char16_t* path);

// Writes the narrow form of `name` (NUL-terminated UTF-16, not null), with its NUL,
// into `narrow`: the form that FindModuleSymbol takes. Returns false, with `narrow`
// unspecified, when that form needs more than FunctionNameBytes bytes or cannot be made.
bool NarrowFunctionName(const char16_t* name, char (&narrow)[FunctionNameBytes]);

// The address of the function that `module` exports as `name`; null if none.
void* FindModuleSymbol(ModuleHandle module, const char* name);

// Gives up one hold on `module`; the last one unloads it. Failures are ignored.
void CloseModule(ModuleHandle module);

// ---- Process -----------------------------------------------------------------

// Writes `length` bytes of `text` to the standard error stream, unbuffered.
// Failures are ignored.
void WriteStandardError(const char* text, std::size_t length);

// Ends the process with `code` as its exit code. Never returns.
[[noreturn]] void EndProcess(std::uint32_t code);

}  // namespace platform
