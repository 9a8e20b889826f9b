// The working-set probe: how much memory a process holds, in KiB.
#pragma once

#include <cstddef>
#include <cstdint>

// The memory counters record that psapi.dll's GetProcessMemoryInfo fills: 72
// bytes, of which only the working set is read.
struct ProcessMemoryCounters {
  std::uint32_t cb;
  std::uint32_t PageFaultCount;
  std::uint64_t PeakWorkingSetSize;
  std::uint64_t WorkingSetSize;
  std::uint64_t QuotaPeakPagedPoolUsage;
  std::uint64_t QuotaPagedPoolUsage;
  std::uint64_t QuotaPeakNonPagedPoolUsage;
  std::uint64_t QuotaNonPagedPoolUsage;
  std::uint64_t PagefileUsage;
  std::uint64_t PeakPagefileUsage;
};
static_assert(sizeof(ProcessMemoryCounters) == 72);
static_assert(offsetof(ProcessMemoryCounters, WorkingSetSize) == 16);

// BOOL GetProcessMemoryInfo(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD), the function
// the probe looks up in psapi.dll.
using GetProcessMemoryInfoFunction = std::int32_t (*)(void* process,
                                                      ProcessMemoryCounters* counters,
                                                      std::uint32_t size);

// The working set of `process` (a process handle) in KiB, truncated; 0 when it
// cannot be found out.
std::int64_t QueryWorkingSetKB(std::int64_t process);
