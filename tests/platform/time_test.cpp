// The real counters: a usable frequency, and readings that never go back.
#include <gtest/gtest.h>

#include "runtime/platform/platform.h"

namespace {

TEST(TimeTest, TheCounterIsUsableAndMonotonic) {
  std::int64_t frequency = 0;
  ASSERT_TRUE(platform::QueryCounterFrequency(&frequency));
  EXPECT_GE(frequency, 1000);

  std::int64_t previous = 0;
  ASSERT_TRUE(platform::QueryCounter(&previous));
  for (int i = 0; i < 10'000; ++i) {
    std::int64_t reading = 0;
    ASSERT_TRUE(platform::QueryCounter(&reading));
    ASSERT_GE(reading, previous);
    previous = reading;
  }
  EXPECT_NE(platform::TickCount(), 0u);
}

}  // namespace
