// On Windows every call loads "psapi.dll" as a dynamic library object, calls its
// GetProcessMemoryInfo once and releases it again: nothing survives from one call
// to the next. Where the system reports the figure directly, that is used instead.
#include "program/working_set.h"

#include "runtime/objects/object_table.h"
#include "runtime/objects/shared_libraries.h"
#include "runtime/platform/platform.h"

namespace {

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
