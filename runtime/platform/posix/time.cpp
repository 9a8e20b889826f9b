// Time on Linux: the monotonic clock as a counter of nanoseconds, and the clock
// since boot (suspend included, as on Windows) as the tick count.
#include <time.h>

#include "runtime/platform/platform.h"

namespace platform {

namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;

}  // namespace

bool QueryCounterFrequency(std::int64_t* frequency) {
  *frequency = kNanosecondsPerSecond;
  return true;
}

bool QueryCounter(std::int64_t* counter) {
  timespec now;
  if (::clock_gettime(CLOCK_MONOTONIC, &now) != 0) return false;
  *counter = static_cast<std::int64_t>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
  return true;
}

std::uint32_t TickCount() {
  timespec now;
  if (::clock_gettime(CLOCK_BOOTTIME, &now) != 0) return 0;
  const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000 +
                            static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000;
  return static_cast<std::uint32_t>(milliseconds);
}

}  // namespace platform
