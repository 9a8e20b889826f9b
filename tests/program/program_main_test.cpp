// The program frame on the fake platform: start-up, shutdown and exit code.
#include <gtest/gtest.h>

#include "program/globals.h"
#include "program/program_main.h"
#include "runtime/platform/out_of_memory.h"
#include "tests/fake/fake_console.h"
#include "tests/fake/fake_platform.h"

namespace {

TEST(ProgramMainTest, ClearsTheGlobalsAndEndsWithExitCodeZeroAndNoHeapLeft) {
  fake::Reset();
  ProgramGlobals.PassCount = 42;
  ProgramGlobals.ExitCode = 7;
  EXPECT_EQ(fake::ExitCodeOf(ProgramMain), 0u);
  EXPECT_EQ(ProgramGlobals.PassCount, 0);
  EXPECT_EQ(fake::LiveHeaps(), 0u);
  EXPECT_EQ(fake::StandardError(), "");
}

TEST(ProgramMainTest, OpensTheConsolePrintsALineAndWaitsForOneBeforeItEnds) {
  fake::Reset();
  fake::SetOutputIsConsole(true);
  fake::TypeOnConsole({u"\r\n"});
  EXPECT_EQ(fake::ExitCodeOf(ProgramMain), 0u);
  EXPECT_EQ(fake::ConsoleOutput(), u"Press Enter to end.\r\n");
  EXPECT_NE(fake::RegisteredControlHandler(), nullptr);

  fake::Reset();  // redirected: the line goes out raw, and the input is at its end
  EXPECT_EQ(fake::ExitCodeOf(ProgramMain), 0u);
  EXPECT_EQ(fake::FileOutput(), fake::Utf16Bytes(u"Press Enter to end.\r\n"));
  EXPECT_EQ(fake::FileReadSizes().size(), 1u);
  EXPECT_EQ(fake::LiveHeaps(), 0u);
  fake::Reset();
}

TEST(ProgramMainTest, AHeapThatCannotBeCreatedEndsTheProgramWithAMessage) {
  for (int failing : {1, 2}) {  // the ProgramHeap, then the StringHeap
    fake::Reset();
    fake::FailHeapCreation(failing);
    EXPECT_EQ(fake::ExitCodeOf(ProgramMain), OutOfMemoryExitCode) << "heap " << failing;
    EXPECT_EQ(fake::StandardError(), "stringchurn: out of memory\n");
  }
  fake::Reset();
}

TEST(ProgramEndTest, CanRunTwice) {
  ProgramEnd();
  ProgramEnd();
}

}  // namespace
