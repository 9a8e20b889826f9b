// Files and pipes on Windows: what a pipe gives after its writer has gone, and a
// pipe that is no console.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "runtime/platform/platform.h"

namespace {

TEST(PipeTest, IsNoConsoleAndReportsABrokenPipeOnceItsWriterHasGone) {
  HANDLE reader = nullptr;
  HANDLE writer = nullptr;
  ASSERT_TRUE(CreatePipe(&reader, &writer, nullptr, 0));
  std::uint32_t count = 7;
  char16_t text[4] = u"abc";
  EXPECT_FALSE(platform::ReadConsoleChars(reader, text, 4, &count));
  EXPECT_FALSE(platform::WriteConsoleChars(writer, text, 3, &count));

  ASSERT_TRUE(platform::WriteFileBytes(writer, "a\0b\0\r\0", 6, &count));
  EXPECT_EQ(count, 6u);
  CloseHandle(writer);
  char bytes[16];
  EXPECT_EQ(platform::ReadFileBytes(reader, bytes, sizeof bytes, &count),
            platform::FileReadResult::Success);
  EXPECT_EQ(std::string(bytes, count), std::string("a\0b\0\r\0", 6));
  EXPECT_EQ(platform::ReadFileBytes(reader, bytes, sizeof bytes, &count),
            platform::FileReadResult::BrokenPipe);
  CloseHandle(reader);
}

}  // namespace
