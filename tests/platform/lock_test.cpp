// The real locks: exclusive between threads, and re-entrant for the holder.
#include <gtest/gtest.h>

#include <thread>

#include "runtime/platform/platform.h"

namespace {

platform::Lock TestLock;

TEST(LockTest, KeepsTwoThreadsApartAndLetsTheHolderEnterAgain) {
  platform::InitializeLock(&TestLock);
  long counter = 0;
  auto work = [&counter] {
    for (int i = 0; i < 100'000; ++i) {
      platform::EnterLock(&TestLock);
      platform::EnterLock(&TestLock);
      ++counter;
      platform::LeaveLock(&TestLock);
      platform::LeaveLock(&TestLock);
    }
  };
  std::thread other(work);
  work();
  other.join();
  EXPECT_EQ(counter, 200'000);
}

}  // namespace
