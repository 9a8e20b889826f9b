// The program frame on the fake platform: start-up, shutdown and exit code.
#include <gtest/gtest.h>

#include "program/benchmark_run.h"
#include "program/globals.h"
#include "program/program_main.h"
#include "runtime/platform/out_of_memory.h"
#include "tests/fake/fake_console.h"
#include "tests/fake/fake_platform.h"

namespace {

// ProgramMain itself runs the full-size benchmark; the frame is the same with
// small sizes.
const BenchmarkSizes kSmall{20, 3, 10};

const char16_t kSmallRunOutput[] =
    u"   Loops      MemoryUsage      duration for 10 passes\r\n"
    u"      0\t             0 K\t         0ms\r\n"
    u"     10\t             0 K\t         0ms\r\n"
    u"     20\t             0 K\t         0ms\r\n"
    u"Total Time: 0 seconds\r\n";

void RunSmall() {
  ProgramMainSized(kSmall);
}

TEST(ProgramMainTest, ClearsTheGlobalsAndEndsWithExitCodeZeroAndNoHeapLeft) {
  fake::Reset();
  ProgramGlobals.PassCount = 42;
  ProgramGlobals.ExitCode = 7;
  EXPECT_EQ(fake::ExitCodeOf(RunSmall), 0u);
  EXPECT_EQ(ProgramGlobals.PassCount, 20);
  EXPECT_EQ(fake::LiveHeaps(), 0u);
  EXPECT_EQ(fake::StandardError(), "");
}

TEST(ProgramMainTest, OpensTheConsoleRunsAndWaitsForOneLineBeforeItEnds) {
  fake::Reset();
  fake::SetOutputIsConsole(true);
  fake::TypeOnConsole({u"\r\n"});
  EXPECT_EQ(fake::ExitCodeOf(RunSmall), 0u);
  EXPECT_EQ(fake::ConsoleOutput(), kSmallRunOutput);
  EXPECT_NE(fake::RegisteredControlHandler(), nullptr);

  fake::Reset();  // redirected: the lines go out raw, and the input is at its end
  EXPECT_EQ(fake::ExitCodeOf(RunSmall), 0u);
  EXPECT_EQ(fake::FileOutput(), fake::Utf16Bytes(kSmallRunOutput));
  EXPECT_EQ(fake::FileReadSizes().size(), 1u);
  EXPECT_EQ(fake::LiveHeaps(), 0u);
  fake::Reset();
}

TEST(ProgramMainTest, AHeapThatCannotBeCreatedEndsTheProgramWithAMessage) {
  for (int failing : {1, 2}) {  // the ProgramHeap, then the StringHeap
    fake::Reset();
    fake::FailHeapCreation(failing);
    EXPECT_EQ(fake::ExitCodeOf(RunSmall), OutOfMemoryExitCode) << "heap " << failing;
    EXPECT_EQ(fake::StandardError(), "stringchurn: out of memory\n");
  }
  fake::Reset();
}

TEST(ProgramEndTest, CanRunTwice) {
  ProgramEnd();
  ProgramEnd();
}

}  // namespace
