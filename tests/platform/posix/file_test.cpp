// Files on Linux where the end-to-end tests cannot look: a write that writes
// nothing, a read the system refuses, a CSV file refused for being standard
// error's, the permissions a record's file keeps, the scratch file's folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "program/progress_csv.h"
#include "runtime/platform/posix/file_handle.h"

// A descriptor whose writes write nothing, as a device's may. No file is open there.
constexpr int kWritesNothing = 999;

// Stands in for the C library's write, so that one descriptor writes nothing.
extern "C" ssize_t write(int descriptor, const void* bytes, size_t length) {
  return descriptor == kWritesNothing ? 0 : syscall(SYS_write, descriptor, bytes, length);
}

namespace {

TEST(FileTest, AWriteThatWritesNothingFailsWithAReasonOfItsOwn) {
  std::uint32_t written;
  EXPECT_FALSE(
      platform::WriteFileBytes(platform::HandleOfDescriptor(kWritesNothing), "x", 1, &written));
  EXPECT_EQ(platform::LastSystemError(), platform::SystemError{EIO});
}

// A read that the system refuses for good (of a pipe's writing end) fails at once.
TEST(FileTest, AReadTheSystemRefusesFails) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  char byte;
  std::uint32_t got = 1;
  EXPECT_EQ(platform::ReadFileBytes(platform::HandleOfDescriptor(ends[1]), &byte, 1, &got),
            platform::FileReadResult::Failure);
  EXPECT_EQ(got, 0u);
  close(ends[0]);
  close(ends[1]);
}

TEST(FileTest, ACsvFileRefusedForBeingStandardErrorsIsClosed) {
  const int saved = dup(STDERR_FILENO);
  const platform::FileHandle scratch = platform::OpenScratchFile();
  dup2(platform::DescriptorOf(scratch), STDERR_FILENO);
  // The lowest free descriptor, where the CSV file is opened.
  const int free = dup(STDIN_FILENO);
  close(free);
  std::string error;
  bool made = true;
  EXPECT_EQ(OpenProgressCsv(u"/dev/stderr", &made, &error), nullptr);
  EXPECT_EQ(close(free), -1);
  dup2(saved, STDERR_FILENO);
  close(saved);
  platform::CloseFile(scratch);
}

// A file put in another's place takes its permissions. (The names are this
// process's own: other runs of the tests share the folder.)
TEST(FileTest, AFilePutInPlaceKeepsThePermissionsOfTheOneItReplaces) {
  const std::string name = "kept" + std::to_string(getpid()) + ".json";
  const std::u16string path(name.begin(), name.end());
  platform::SystemError error = 0;
  platform::CloseFile(platform::CreateNewFile(path.c_str(), &error));
  chmod(name.c_str(), 0604);
  const platform::FileHandle file = platform::CreateNewFile((path + u".tmp").c_str(), &error);
  EXPECT_EQ(platform::PutFileInPlace(file, (path + u".tmp").c_str(), path.c_str()), 0);
  struct stat status;
  EXPECT_EQ(stat(name.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0604u);
  unlink(name.c_str());
}

// The scratch file is made in TMPDIR, in /tmp where TMPDIR is empty: a TMPDIR
// that is not there gives none.
TEST(FileTest, AScratchFileIsMadeInTmpdir) {
  const char* saved = std::getenv("TMPDIR");
  const std::string kept = saved != nullptr ? saved : "";
  for (const char* folder : {"/no such folder", ""}) {
    setenv("TMPDIR", folder, 1);
    const platform::FileHandle scratch = platform::OpenScratchFile();
    EXPECT_EQ(scratch != nullptr, *folder == '\0') << "TMPDIR=" << folder;
    if (scratch != nullptr) platform::CloseFile(scratch);
  }
  if (saved != nullptr) {
    setenv("TMPDIR", kept.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

}  // namespace
