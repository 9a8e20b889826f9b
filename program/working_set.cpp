// On Windows every call loads "psapi.dll" as a dynamic library object, calls its
// GetProcessMemoryInfo once and releases it again: nothing survives from one call
// to the next. Where the system reports the figure directly, that is used instead.
#include "program/working_set.h"

#include <cstddef>

#include "runtime/objects/object_table.h"
#include "runtime/objects/shared_libraries.h"
#include "runtime/platform/platform.h"

namespace {

// The memory counters record that GetProcessMemoryInfo fills: 72 bytes, of which
// only the working set is read.
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

// BOOL GetProcessMemoryInfo(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD).
using GetProcessMemoryInfoFunction = std::int32_t (*)(void* process,
                                                      ProcessMemoryCounters* counters,
                                                      std::uint32_t size);

constexpr std::int64_t kBytesPerKiB = 1024;

}  // namespace

std::int64_t QueryWorkingSetKB(std::int64_t process) {
  std::int64_t result = 0;
  if (platform::ReadWorkingSetDirectly(process, &result)) return result / kBytesPerKiB;

  ProcessMemoryCounters counters{};
  // Held from the lookup until the call has returned, so that a release on the
  // console's control thread cannot unload the library under the call.
  LockSharedLibraries();
  const std::int64_t library = LoadSharedLibrary(AnyNumber, u"psapi.dll");
  if (library != 0) {
    auto function = reinterpret_cast<GetProcessMemoryInfoFunction>(
        FindLibraryFunction(library, u"GetProcessMemoryInfo"));
    if (function != nullptr &&
        function(reinterpret_cast<void*>(process), &counters, sizeof counters) != 0) {
      result = static_cast<std::int64_t>(counters.WorkingSetSize);
    }
    ReleaseSharedLibrary(library);
  }
  UnlockSharedLibraries();
  return result / kBytesPerKiB;
}
