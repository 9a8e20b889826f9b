// The millisecond clock on scripted counters.
#include "program/clock.h"

#include <gtest/gtest.h>

#include "tests/fake/fake_platform.h"
#include "tests/fake/fake_time.h"

namespace {

class ClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    TicksPerMillisecond = 0;
    CounterBase = 0;
  }
};

TEST_F(ClockTest, CountsWholeMillisecondsFromTheFirstReading) {
  fake::SetCounterFrequency(10'000'000);
  fake::SetCounter(5'000'000'000);
  EXPECT_EQ(MillisecondClock(), 0);  // the base and the first reading coincide
  EXPECT_EQ(TicksPerMillisecond, 10'000);
  EXPECT_EQ(CounterBase, 5'000'000'000);

  fake::SetCounter(5'000'000'000 + 123'456'789);
  EXPECT_EQ(MillisecondClock(), 12'345);
  EXPECT_EQ(fake::CounterFrequencyQueries(), 1);
}

TEST_F(ClockTest, TruncatesTheDivisor) {
  fake::SetCounterFrequency(3'579'545);
  MillisecondClock();
  EXPECT_EQ(TicksPerMillisecond, 3'579);
  fake::SetCounter(3'579'000);
  EXPECT_EQ(MillisecondClock(), 1000);  // slightly fast: the exact answer is 999.87
}

TEST_F(ClockTest, FallsBackToTheTickCountWithoutAUsableCounter) {
  for (bool succeeds : {true, false}) {
    fake::Reset();
    TicksPerMillisecond = 0;
    fake::SetCounterFrequency(succeeds ? 999 : 5'000'000, succeeds);
    fake::SetTickCount(4'294'967'295u);
    EXPECT_EQ(MillisecondClock(), 4'294'967'295);  // zero-extended, never negative
    fake::SetTickCount(77);
    EXPECT_EQ(MillisecondClock(), 77);
    EXPECT_EQ(TicksPerMillisecond, 0);
    EXPECT_EQ(fake::CounterFrequencyQueries(), 2);  // asked again on every call
  }
}

}  // namespace
