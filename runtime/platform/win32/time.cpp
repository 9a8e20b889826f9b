// Time on Windows: the performance counter and the tick count of KERNEL32.
#include <windows.h>

#include "runtime/platform/platform.h"

namespace platform {

bool QueryCounterFrequency(std::int64_t* frequency) {
  LARGE_INTEGER value;
  if (!::QueryPerformanceFrequency(&value)) {
    *frequency = 0;
    return false;
  }
  *frequency = value.QuadPart;
  return true;
}

bool QueryCounter(std::int64_t* counter) {
  LARGE_INTEGER value;
  if (!::QueryPerformanceCounter(&value)) return false;
  *counter = value.QuadPart;
  return true;
}

std::uint32_t TickCount() {
  return ::GetTickCount();
}

}  // namespace platform
