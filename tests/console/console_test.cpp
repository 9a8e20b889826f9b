// Console set-up, the control handler and the line hooks.
#include <algorithm>

#include "runtime/console/line_hooks.h"
#include "runtime/console/print_line.h"
#include "runtime/console/read_line.h"
#include "tests/fake/console_fixture.h"

namespace {

using Calls = std::vector<std::string>;

TEST_F(ConsoleTest, OpenConsoleFetchesTheHandlesAndRegistersTheHandlerWithoutATitle) {
  EXPECT_EQ(fake::ConsoleCalls(), (Calls{"AllocateConsole", "GetStandardHandle input",
                                         "GetStandardHandle output", "RegisterControlHandler"}));
  EXPECT_EQ(StdInputHandle, fake::InputHandle());
  EXPECT_EQ(StdOutputHandle, fake::OutputHandle());
  EXPECT_EQ(fake::RegisteredControlHandler(), &ConsoleControlHandler);
  EXPECT_FALSE(fake::ConsoleTitleSet());
}

TEST_F(ConsoleTest, OpenConsoleSetsAGivenTitleAndAlwaysReturnsOne) {
  fake::ResetConsole();
  EXPECT_EQ(OpenConsole(u"stringchurn"), 1);
  EXPECT_EQ(fake::ConsoleCalls().back(), "SetConsoleTitleText");
  EXPECT_EQ(fake::ConsoleTitle(), u"stringchurn");
  EXPECT_EQ(OpenConsole(), 1);
}

TEST_F(ConsoleTest, TheControlHandlerLeavesEveryEventToTheSystem) {
  for (std::uint32_t event :
       {platform::ControlCEvent, platform::ControlBreakEvent, platform::ControlCloseEvent,
        platform::ControlLogoffEvent, platform::ControlShutdownEvent}) {
    EXPECT_EQ(ConsoleControlHandler(event), 0) << "event " << event;
  }
}

TEST(LineHooksTest, HoldPrintLineAndReadLineFromTheStart) {
  EXPECT_EQ(OutputLineHook, &PrintLine);
  EXPECT_EQ(InputLineHook, &ReadLine);
}

}  // namespace
