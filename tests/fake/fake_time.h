// Scripted time for the fake platform: a counter, its frequency and the tick count.
#pragma once

#include <cstdint>

namespace fake {

// The frequency the next queries report; a failed query writes 0.
void SetCounterFrequency(std::int64_t ticksPerSecond, bool succeeds = true);
// The value the counter reads from now on.
void SetCounter(std::int64_t value);
// How far the counter moves on after each reading (0: it stands still).
void SetCounterStep(std::int64_t ticks);
// The value TickCount returns from now on.
void SetTickCount(std::uint32_t milliseconds);
// How often the frequency and the counter were queried since the last reset.
int CounterFrequencyQueries();
int CounterQueries();

void ResetTime();

}  // namespace fake
