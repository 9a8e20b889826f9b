// Files and pipes on Windows (under Wine in the tests), on a message-mode pipe
// of the test's own: reads in pieces, a write without progress, a disconnect.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "runtime/platform/platform.h"

namespace {

// A message-mode pipe: the server end reads what the client end writes.
class MessagePipeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring name =
        L"\\\\.\\pipe\\stringchurn-" + std::to_wstring(::GetCurrentProcessId());
    server_ = ::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX,
                                 PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 1, 64, 64, 0, nullptr);
    client_ = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
    ASSERT_NE(client_, INVALID_HANDLE_VALUE);
  }
  void TearDown() override {
    ::CloseHandle(client_);
    ::CloseHandle(server_);
  }
  HANDLE server_ = INVALID_HANDLE_VALUE;
  HANDLE client_ = INVALID_HANDLE_VALUE;
};

// A message longer than the read comes in over several reads, every byte of it.
TEST_F(MessagePipeTest, AMessageLongerThanTheReadIsReadWhole) {
  std::uint32_t count = 0;
  ASSERT_TRUE(platform::WriteFileBytes(client_, "0123456789", 10, &count));
  char got[10] = {};
  EXPECT_EQ(platform::ReadFileBytes(server_, got, 4, &count), platform::FileReadResult::Success);
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(platform::ReadFileBytes(server_, got + 4, 8, &count),
            platform::FileReadResult::Success);
  EXPECT_EQ(std::string(got, 4 + count), "0123456789");
}

// A write that a full pipe that does not wait takes no byte of fails with a
// reason of its own; a read from a pipe that its server disconnected is the end
// of input.
TEST_F(MessagePipeTest, AWriteWithoutProgressFailsAndADisconnectEndsInput) {
  DWORD mode = PIPE_READMODE_MESSAGE | PIPE_NOWAIT;
  ASSERT_TRUE(::SetNamedPipeHandleState(client_, &mode, nullptr, nullptr));
  const char message[100] = {};
  std::uint32_t count = 0;
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(platform::WriteFileBytes(client_, message, sizeof message, &count));
  EXPECT_EQ(platform::LastSystemError(), platform::SystemError{ERROR_WRITE_FAULT});
  ::DisconnectNamedPipe(server_);
  EXPECT_EQ(platform::ReadFileBytes(client_, &mode, 1, &count),
            platform::FileReadResult::BrokenPipe);
}

// The roots of /proc and /sys: both inode 1, and on no volume that Wine knows.
TEST(SameFileTest, FilesOfOneNumberOnUnknownVolumesAreToldApart) {
  HANDLE roots[2];
  for (int i = 0; i < 2; ++i) {
    roots[i] = ::CreateFileW(i == 0 ? L"Z:\\proc" : L"Z:\\sys", GENERIC_READ, FILE_SHARE_READ,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  }
  if (roots[0] == INVALID_HANDLE_VALUE || roots[1] == INVALID_HANDLE_VALUE) {
    GTEST_SKIP() << "not under Wine";
  }
  EXPECT_FALSE(platform::SameFile(roots[0], roots[1]));
  EXPECT_TRUE(platform::SameFile(roots[0], roots[0]));
  ::CloseHandle(roots[0]);
  ::CloseHandle(roots[1]);
}

}  // namespace
