// Files and pipes on Windows, under Wine in the tests: a message-mode pipe of the
// test's own, and files of one number on volumes the system cannot tell.
#include <gtest/gtest.h>
#include <windows.h>

#include "runtime/platform/platform.h"

namespace {

// A message of no bytes is no end, and one longer than the read fills it (the rest
// comes with the next read); a write that a full pipe that does not wait takes no
// byte of fails with a reason of its own; a read from a pipe that its server
// disconnected is the end of input.
TEST(FilesTest, AMessagePipeIsReadInPartsAndEndsAtADisconnect) {
  const wchar_t* name = L"\\\\.\\pipe\\stringchurn-test";
  HANDLE server = ::CreateNamedPipeW(
      name, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 1, 64, 64, 0, nullptr);
  HANDLE client =
      ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  char got[100] = {};
  std::uint32_t count = 0;
  DWORD none = 0;
  ::WriteFile(client, "", 0, &none, nullptr);
  platform::WriteFileBytes(client, "0123456", 7, &count);
  EXPECT_EQ(platform::ReadFileBytes(server, got, 4, &count), platform::FileReadResult::Success);
  EXPECT_EQ(count, 4u);
  DWORD mode = PIPE_READMODE_MESSAGE | PIPE_NOWAIT;
  ::SetNamedPipeHandleState(client, &mode, nullptr, nullptr);
  EXPECT_FALSE(platform::WriteFileBytes(client, got, sizeof got, &count));
  EXPECT_EQ(platform::LastSystemError(), platform::SystemError{ERROR_WRITE_FAULT});
  ::DisconnectNamedPipe(server);
  EXPECT_EQ(platform::ReadFileBytes(client, got, 1, &count), platform::FileReadResult::BrokenPipe);
  ::CloseHandle(client);
  ::CloseHandle(server);
}

// The roots of /proc and /sys: both inode 1, and on no volume that Wine knows.
TEST(FilesTest, FilesOfOneNumberOnUnknownVolumesAreToldApart) {
  auto open = [](const wchar_t* path) {
    return ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  };
  const HANDLE proc = open(L"Z:\\proc");
  const HANDLE sys = open(L"Z:\\sys");
  ASSERT_NE(proc, INVALID_HANDLE_VALUE);
  ASSERT_NE(sys, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(platform::SameFile(proc, sys));
  EXPECT_TRUE(platform::SameFile(proc, open(L"Z:\\proc")));
}

}  // namespace
