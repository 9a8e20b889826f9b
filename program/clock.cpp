// The clock sets itself up on its first reading. The divisor is the truncated
// ticks per millisecond, so a frequency that is not a multiple of 1000 runs the
// clock slightly fast; one below 1000 ticks per second falls back to the tick count.
#include "program/clock.h"

#include "runtime/platform/platform.h"

std::int64_t TicksPerMillisecond;
std::int64_t CounterBase;

std::int64_t MillisecondClock() {
  std::int64_t reading = 0;
  return MillisecondClock(&reading);
}

std::int64_t MillisecondClock(std::int64_t* reading) {
  *reading = 0;
  if (TicksPerMillisecond == 0) {
    if (platform::QueryCounterFrequency(&TicksPerMillisecond)) {
      TicksPerMillisecond /= 1000;
      platform::QueryCounter(&CounterBase);
    }
    if (TicksPerMillisecond == 0) {
      *reading = platform::TickCount();
      return *reading;
    }
  }
  platform::QueryCounter(reading);
  return (*reading - CounterBase) / TicksPerMillisecond;
}
