// MillisecondClock: whole milliseconds from the high-resolution counter, or the
// system tick count where no usable counter exists. Only differences of two
// readings mean anything.
#pragma once

#include <cstdint>

// Counter ticks per millisecond (the frequency / 1000, truncated); 0 until the
// clock has found a usable counter. Zero at load; never cleared by ProgramMain.
extern std::int64_t TicksPerMillisecond;
// The counter value read together with the frequency.
extern std::int64_t CounterBase;

std::int64_t MillisecondClock();
// The same, also storing in `*reading` what the milliseconds were taken from: the
// counter's ticks, or the tick count's milliseconds while TicksPerMillisecond is 0.
std::int64_t MillisecondClock(std::int64_t* reading);
