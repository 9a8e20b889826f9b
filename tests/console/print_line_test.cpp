// PrintLine: the exact bytes of a line, the console and the file path, and a line
// buffer that cannot be allocated.
#include "runtime/console/print_line.h"

#include <algorithm>

#include "tests/fake/console_fixture.h"
#include "tests/fake/fake_platform.h"

namespace {

int CountOf(const std::string& call) {
  const auto& calls = fake::ConsoleCalls();
  return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

TEST_F(ConsoleTest, ARedirectedLineIsRawUtf16LeWithCrLfAndFlushedAtOnce) {
  PrintLine(nullptr);
  EXPECT_EQ(fake::FileOutput(), std::string("\r\0\n\0", 4));
  PrintLine(u"Hi");
  EXPECT_EQ(fake::FileOutput(), std::string("\r\0\n\0H\0i\0\r\0\n\0", 12));
  EXPECT_EQ(fake::ConsoleCalls().back(), "FlushFile output");
  EXPECT_EQ(CountOf("WriteConsoleChars output 4"), 1);  // tried first, and failed
  EXPECT_EQ(CountOf("WriteFileBytes output 8"), 1);
  EXPECT_EQ(LiveProgramBlocks(), 0u);
}

TEST_F(ConsoleTest, AConsoleLineIsWrittenAsTextOnly) {
  fake::SetOutputIsConsole(true);
  PrintLine(u"Gr\u00fc\u00dfe \U0001F600");
  EXPECT_EQ(fake::ConsoleOutput(), u"Gr\u00fc\u00dfe \U0001F600\r\n");
  EXPECT_EQ(fake::FileOutput(), "");
  EXPECT_EQ(CountOf("FlushFile output"), 1);
}

TEST_F(ConsoleTest, ALineWhoseBufferCannotBeAllocatedWritesNothing) {
  fake::FailAllocation(1);
  PrintLine(u"lost");
  EXPECT_EQ(CountOf("WriteConsoleChars output 6"), 0);
  EXPECT_EQ(fake::FileOutput(), "");
  PrintLine(u"kept");  // the next line is not affected
  EXPECT_EQ(fake::FileOutput(), fake::Utf16Bytes(u"kept\r\n"));
}

TEST_F(ConsoleTest, AFailedFileWriteIsIgnoredAndTheBufferFreed) {
  fake::FailFileWrites();
  PrintLine(u"Hi");
  EXPECT_EQ(CountOf("FlushFile output"), 1);
  EXPECT_EQ(LiveProgramBlocks(), 0u);
}

}  // namespace
