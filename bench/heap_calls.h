// Counts of the runtime's heap calls and of the C++ allocations of the process,
// read before and after a measured loop to show what an operation allocates.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

struct AllocationCounts {
  std::int64_t heapCalls;  // AllocateBlock, ResizeBlock and FreeBlock on the private heaps
  std::int64_t newCalls;   // global operator new
};

AllocationCounts CurrentAllocationCounts();

// Adds the counters heap_calls and new_calls, per iteration, for the loop that
// ran since `before` was read.
void ReportAllocations(benchmark::State& state, const AllocationCounts& before);
