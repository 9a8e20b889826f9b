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

// The descriptor whose writes write nothing and give no reason, as a device may;
// -1 is none.
int WritesNothing = -1;

// The lowest descriptor free, which a descriptor left open would take.
int LowestFree() {
  const int free = dup(STDIN_FILENO);
  close(free);
  return free;
}

}  // namespace

// Stands in for the C library's write, so that a test can make one descriptor write nothing.
extern "C" ssize_t write(int descriptor, const void* bytes, size_t length) {
  if (descriptor == WritesNothing) return 0;
  return syscall(SYS_write, descriptor, bytes, length);
}

namespace {

TEST(FileTest, AWriteThatWritesNothingFailsWithAReasonOfItsOwn) {
  const platform::FileHandle scratch = platform::OpenScratchFile();
  WritesNothing = platform::DescriptorOf(scratch);
  errno = ENOSPC;  // an older call's reason
  std::uint32_t written = 1;
  EXPECT_FALSE(platform::WriteFileBytes(scratch, "x", 1, &written));
  WritesNothing = -1;
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(platform::LastSystemError(), static_cast<platform::SystemError>(EIO));
  platform::CloseFile(scratch);
}

TEST(FileTest, ACsvFileRefusedForBeingStandardOutputsIsClosed) {
  int piped[2];
  ASSERT_EQ(pipe(piped), 0);
  const int saved = dup(STDOUT_FILENO);
  dup2(piped[1], STDOUT_FILENO);
  const int free = LowestFree();
  std::string error;
  const platform::FileHandle csv = CreateProgressCsv(u"/dev/stdout", &error);
  const int freeAfter = LowestFree();
  dup2(saved, STDOUT_FILENO);
  close(saved);
  close(piped[0]);
  close(piped[1]);
  EXPECT_EQ(csv, nullptr);
  EXPECT_EQ(freeAfter, free);
}

}  // namespace
