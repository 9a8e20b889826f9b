// The real scratch file: it takes writes, and each one is a file of its own.
#include <gtest/gtest.h>

#include "runtime/platform/platform.h"

namespace {

TEST(ScratchFileTest, TakesRawWritesAndIsNewEachTime) {
  platform::FileHandle first = platform::OpenScratchFile();
  platform::FileHandle second = platform::OpenScratchFile();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);

  const char16_t line[] = u"Hi\r\n";
  std::uint32_t written = 0;
  EXPECT_TRUE(platform::WriteFileBytes(first, line, 8, &written));
  EXPECT_EQ(written, 8u);
  platform::FlushFile(first);
  // Not a console: a console write to it fails, as to any redirected output.
  EXPECT_FALSE(platform::WriteConsoleChars(second, line, 4, &written));
}

}  // namespace
