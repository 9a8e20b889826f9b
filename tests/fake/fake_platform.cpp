// The fake implementation of the seam. Process-wide like the real one; tests
// call fake::Reset() to start from a clean slate.
#include "tests/fake/fake_platform.h"

#include "tests/fake/fake_modules.h"
#include "tests/fake/fake_process_memory.h"
#include "tests/fake/fake_time.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <stdexcept>

#include "tests/fake/fake_console.h"

namespace {

struct FakeHeap {
  std::map<void*, std::size_t> blocks;  // block -> requested size
};

struct FakeState {
  std::set<FakeHeap*> heaps;
  std::map<const void*, std::size_t> sizes;
  int heapCreationCountdown = 0;
  int allocationCountdown = 0;
  std::vector<std::string> calls;
  std::string standardError;
};

FakeState& State() {
  static FakeState state;
  return state;
}

// Counts down a scripted failure; true when this call is the one to fail.
bool Due(int& countdown) {
  return countdown > 0 && --countdown == 0;
}

FakeHeap& HeapOf(platform::HeapHandle heap) {
  return *static_cast<FakeHeap*>(heap);
}

void Log(std::string line) {
  State().calls.push_back(std::move(line));
}

}  // namespace

namespace platform {

HeapHandle CreatePrivateHeap() {
  Log("CreatePrivateHeap");
  if (Due(State().heapCreationCountdown)) return nullptr;
  auto* heap = new FakeHeap;
  State().heaps.insert(heap);
  return heap;
}

void* AllocateBlock(HeapHandle heap, std::size_t bytes, bool zero) {
  Log("AllocateBlock " + std::to_string(bytes) + (zero ? " zero" : ""));
  if (Due(State().allocationCountdown)) return nullptr;
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) return nullptr;
  if (zero) std::memset(block, 0, bytes);
  HeapOf(heap).blocks[block] = bytes;
  State().sizes[block] = bytes;
  return block;
}

void* ResizeBlock(HeapHandle heap, void* block, std::size_t bytes, bool zeroGrowth) {
  Log("ResizeBlock " + std::to_string(bytes) + (zeroGrowth ? " zero" : ""));
  if (Due(State().allocationCountdown)) return nullptr;
  auto& blocks = HeapOf(heap).blocks;
  const std::size_t old = blocks.at(block);
  // Always move the block, so that tests catch pointers kept across a resize.
  void* moved = std::malloc(bytes == 0 ? 1 : bytes);
  if (moved == nullptr) return nullptr;
  std::memcpy(moved, block, old < bytes ? old : bytes);
  if (zeroGrowth && bytes > old) std::memset(static_cast<char*>(moved) + old, 0, bytes - old);
  blocks.erase(block);
  State().sizes.erase(block);
  std::memset(block, 0xDD, old);  // what is read after the move shows
  std::free(block);
  blocks[moved] = bytes;
  State().sizes[moved] = bytes;
  return moved;
}

std::size_t BlockSize(HeapHandle heap, const void* block) {
  return HeapOf(heap).blocks.at(const_cast<void*>(block));
}

void FreeBlock(HeapHandle heap, void* block) {
  Log("FreeBlock");
  if (block == nullptr) return;
  if (HeapOf(heap).blocks.erase(block) == 0) {
    throw std::logic_error("FreeBlock of a block that the heap does not hold");
  }
  std::memset(block, 0xDD, State().sizes.at(block));  // what is read after the free shows
  State().sizes.erase(block);
  std::free(block);
}

void DestroyPrivateHeap(HeapHandle heap) {
  Log("DestroyPrivateHeap");
  if (heap == nullptr) return;
  auto* fakeHeap = static_cast<FakeHeap*>(heap);
  for (auto& [block, bytes] : fakeHeap->blocks) {
    State().sizes.erase(block);
    std::free(block);
  }
  State().heaps.erase(fakeHeap);
  delete fakeHeap;
}

// Real locks, so that tests with threads behave as they would on the system.
static_assert(sizeof(std::recursive_mutex) <= sizeof(Lock::storage));

static std::recursive_mutex* MutexOf(Lock* lock) {
  return std::launder(reinterpret_cast<std::recursive_mutex*>(lock->storage));
}

void InitializeLock(Lock* lock) {
  new (lock->storage) std::recursive_mutex;
}
void EnterLock(Lock* lock) {
  MutexOf(lock)->lock();
}
void LeaveLock(Lock* lock) {
  MutexOf(lock)->unlock();
}

void WriteStandardError(const char* text, std::size_t length) {
  State().standardError.append(text, length);
}

void EndProcess(std::uint32_t code) {
  Log("EndProcess " + std::to_string(code));
  throw fake::ProcessExit{code};
}

}  // namespace platform

namespace fake {

void Reset() {
  for (FakeHeap* heap : std::set<FakeHeap*>(State().heaps)) platform::DestroyPrivateHeap(heap);
  State() = FakeState{};
  ResetTime();
  ResetModules();
  ResetConsole();
  ResetProcessMemory();
}

std::size_t LiveHeaps() {
  return State().heaps.size();
}

std::size_t LiveBlocks(platform::HeapHandle heap) {
  return HeapOf(heap).blocks.size();
}

std::size_t BlockBytes(const void* block) {
  auto found = State().sizes.find(block);
  return found == State().sizes.end() ? 0 : found->second;
}

void FailHeapCreation(int nth) {
  State().heapCreationCountdown = nth;
}
void FailAllocation(int nth) {
  State().allocationCountdown = nth;
}

const std::vector<std::string>& Calls() {
  return State().calls;
}
const std::string& StandardError() {
  return State().standardError;
}

std::optional<std::uint32_t> ExitCodeOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const ProcessExit& exit) {
    return exit.code;
  }
  return std::nullopt;
}

}  // namespace fake
