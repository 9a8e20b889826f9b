// The link wraps the private heaps' functions (see CMakeLists.txt): the runtime's
// calls arrive here, are counted and go on to the real ones. Global operator new
// is counted too, for the plain C++ peers.
#include "bench/heap_calls.h"

#include <cstddef>
#include <cstdlib>
#include <new>

#include "runtime/memory/private_heap.h"

namespace {

std::int64_t heapCalls;
std::int64_t newCalls;

}  // namespace

extern "C" {

void* __real__Z13AllocateBlockP11PrivateHeapmb(PrivateHeap* heap, std::size_t bytes, bool zero);
void* __real__Z11ResizeBlockP11PrivateHeapPvmb(PrivateHeap* heap, void* block, std::size_t bytes,
                                               bool zeroGrowth);
void __real__Z9FreeBlockP11PrivateHeapPv(PrivateHeap* heap, void* block);

void* __wrap__Z13AllocateBlockP11PrivateHeapmb(PrivateHeap* heap, std::size_t bytes, bool zero) {
  ++heapCalls;
  return __real__Z13AllocateBlockP11PrivateHeapmb(heap, bytes, zero);
}

void* __wrap__Z11ResizeBlockP11PrivateHeapPvmb(PrivateHeap* heap, void* block, std::size_t bytes,
                                               bool zeroGrowth) {
  ++heapCalls;
  return __real__Z11ResizeBlockP11PrivateHeapPvmb(heap, block, bytes, zeroGrowth);
}

void __wrap__Z9FreeBlockP11PrivateHeapPv(PrivateHeap* heap, void* block) {
  ++heapCalls;
  __real__Z9FreeBlockP11PrivateHeapPv(heap, block);
}

}  // extern "C"

AllocationCounts CurrentAllocationCounts() {
  return {heapCalls, newCalls};
}

void* operator new(std::size_t bytes) {
  ++newCalls;
  if (void* block = std::malloc(bytes == 0 ? 1 : bytes)) return block;
  throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
  std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}

void ReportAllocations(benchmark::State& state, const AllocationCounts& before) {
  const AllocationCounts after = CurrentAllocationCounts();
  state.counters["heap_calls"] = benchmark::Counter(
      static_cast<double>(after.heapCalls - before.heapCalls), benchmark::Counter::kAvgIterations);
  state.counters["new_calls"] = benchmark::Counter(
      static_cast<double>(after.newCalls - before.newCalls), benchmark::Counter::kAvgIterations);
}
