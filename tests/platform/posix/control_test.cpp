// The control signals on Linux: each reaches the handler as its own event, and a
// handler that takes it keeps the process going. (A handler that does not is the
// end-to-end tests'.)
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "runtime/platform/platform.h"

namespace {

constexpr std::uint32_t kNoEvent = 99;
std::atomic<std::uint32_t> Taken{kNoEvent};

std::int32_t TakeEvent(std::uint32_t event) {
  Taken = event;
  return 1;
}

const std::pair<int, std::uint32_t> Rows[] = {
    {SIGINT, platform::ControlCEvent},
    {SIGQUIT, platform::ControlBreakEvent},
    {SIGHUP, platform::ControlCloseEvent},
    {SIGTERM, platform::ControlShutdownEvent},
};

// Tests started in the background may have some of them ignored; they are
// taken as the first handler is registered, by whichever test that is.
const bool Defaulted = [] {
  for (const auto& [number, event] : Rows) {
    signal(number, SIG_DFL);
  }
  return true;
}();

TEST(ControlTest, EachSignalComesAsItsOwnEvent) {
  platform::RegisterControlHandler(TakeEvent);
  for (const auto& [number, event] : Rows) {
    Taken = kNoEvent;
    kill(getpid(), number);
    for (int wait = 0; Taken.load() == kNoEvent && wait < 500; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(Taken.load(), event) << strsignal(number);
  }
}

}  // namespace
