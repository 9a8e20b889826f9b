// The fake platform's clocks: they stand still until a test moves them.
#include "tests/fake/fake_time.h"

#include "runtime/platform/platform.h"

namespace {

struct FakeTime {
  std::int64_t frequency = 10'000'000;
  bool frequencySucceeds = true;
  std::int64_t counter = 0;
  std::int64_t counterStep = 0;
  std::uint32_t tickCount = 0;
  int frequencyQueries = 0;
  int counterQueries = 0;
};

FakeTime& Time() {
  static FakeTime time;
  return time;
}

}  // namespace

namespace platform {

bool QueryCounterFrequency(std::int64_t* frequency) {
  ++Time().frequencyQueries;
  *frequency = Time().frequencySucceeds ? Time().frequency : 0;
  return Time().frequencySucceeds;
}

bool QueryCounter(std::int64_t* counter) {
  ++Time().counterQueries;
  *counter = Time().counter;
  Time().counter += Time().counterStep;
  return true;
}

std::uint32_t TickCount() {
  return Time().tickCount;
}

}  // namespace platform

namespace fake {

void SetCounterFrequency(std::int64_t ticksPerSecond, bool succeeds) {
  Time().frequency = ticksPerSecond;
  Time().frequencySucceeds = succeeds;
}
void SetCounter(std::int64_t value) {
  Time().counter = value;
}
void SetCounterStep(std::int64_t ticks) {
  Time().counterStep = ticks;
}
void SetTickCount(std::uint32_t milliseconds) {
  Time().tickCount = milliseconds;
}
int CounterFrequencyQueries() {
  return Time().frequencyQueries;
}
int CounterQueries() {
  return Time().counterQueries;
}
void ResetTime() {
  Time() = FakeTime{};
}

}  // namespace fake
