// Files on Linux where the end-to-end tests cannot look: a write that writes
// nothing, and a CSV file refused for being standard output's.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "program/progress_csv.h"
#include "runtime/platform/posix/file_handle.h"

namespace {

int WritesNothing = -1;  // a descriptor whose writes write nothing, as a device's may

// The lowest descriptor free, which one left open would take.
int LowestFree() {
  const int free = dup(STDIN_FILENO);
  close(free);
  return free;
}

}  // namespace

// Stands in for the C library's write, so that a test can make one descriptor write nothing.
extern "C" ssize_t write(int descriptor, const void* bytes, size_t length) {
  return descriptor == WritesNothing ? 0 : syscall(SYS_write, descriptor, bytes, length);
}

namespace {

TEST(FileTest, AWriteThatWritesNothingFailsWithAReasonOfItsOwn) {
  const platform::FileHandle scratch = platform::OpenScratchFile();
  WritesNothing = platform::DescriptorOf(scratch);
  errno = ENOSPC;  // an older call's reason
  std::uint32_t written;
  EXPECT_FALSE(platform::WriteFileBytes(scratch, "x", 1, &written));
  WritesNothing = -1;
  EXPECT_EQ(platform::LastSystemError(), static_cast<platform::SystemError>(EIO));
  platform::CloseFile(scratch);
}

TEST(FileTest, ACsvFileRefusedForBeingStandardOutputsIsClosed) {
  const int saved = dup(STDOUT_FILENO);
  const platform::FileHandle scratch = platform::OpenScratchFile();
  dup2(platform::DescriptorOf(scratch), STDOUT_FILENO);
  const int free = LowestFree();
  std::string error;
  EXPECT_EQ(CreateProgressCsv(u"/dev/stdout", &error), nullptr);
  EXPECT_EQ(LowestFree(), free);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  platform::CloseFile(scratch);
}

}  // namespace
