// Process memory on Windows: the working set comes from psapi.dll, which the
// program loads at run time itself, so there is nothing to read directly here.
#include <windows.h>

#include "runtime/platform/platform.h"

namespace platform {

std::int64_t CurrentProcess() {
  return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(::GetCurrentProcess()));
}

bool ReadWorkingSetDirectly(std::int64_t, std::int64_t*) {
  return false;
}

}  // namespace platform
