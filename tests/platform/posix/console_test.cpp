// The console on Linux, on a pseudo-terminal of the test's own: line reads in
// canonical mode, UTF-8 both ways, Ctrl-D, the input mode, and the fallback of
// everything that is not a terminal. Control events run in a child process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "runtime/platform/platform.h"
#include "runtime/platform/posix/file_handle.h"

namespace {

using platform::FileHandle;

class TerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(openpty(&master_, &slave_, nullptr, nullptr, nullptr), 0);
    console_ = platform::HandleOfDescriptor(slave_);
  }
  void TearDown() override {
    close(master_);
    close(slave_);
  }

  void Type(const std::string& keys) {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }

  std::u16string Read(std::uint32_t capacity = 4096) {
    std::u16string text(capacity, u'\0');
    std::uint32_t read = 99;
    EXPECT_TRUE(platform::ReadConsoleChars(console_, text.data(), capacity, &read));
    text.resize(read);
    return text;
  }

  // What the terminal shows: everything written or echoed so far.
  std::string Shown() {
    std::string shown;
    pollfd ready = {master_, POLLIN, 0};
    char chunk[4096];
    while (poll(&ready, 1, 200) == 1) {
      const ssize_t got = read(master_, chunk, sizeof chunk);
      if (got <= 0) break;
      shown.append(chunk, static_cast<std::size_t>(got));
    }
    return shown;
  }

  int master_ = -1;
  int slave_ = -1;
  FileHandle console_ = nullptr;
};

TEST_F(TerminalTest, ATypedLineArrivesAsUtf16EndedByCrLfAndIsEchoed) {
  ASSERT_TRUE(platform::SetConsoleInputMode(console_, 7));
  Type(
      "Gr\xC3\xBC\xC3\x9F"
      "e \xF0\x9F\x98\x80 \xFF\r");
  EXPECT_EQ(Read(), u"Gr\u00fc\u00dfe \U0001F600 \ufffd\r\n");
  EXPECT_NE(Shown().find("Gr\xC3\xBC\xC3\x9F"
                         "e"),
            std::string::npos);
}

TEST_F(TerminalTest, ALineLongerThanTheCapacityComesOverSeveralReads) {
  Type("abcdef\n");
  EXPECT_EQ(Read(4), u"abcd");
  EXPECT_EQ(Read(4), u"ef\r\n");
  Type("x\n");
  EXPECT_EQ(Read(), u"x\r\n");
}

TEST_F(TerminalTest, CtrlDAtTheStartOfALineIsCtrlZCrLf) {
  Type("\x04");
  EXPECT_EQ(Read(), u"\x1a\r\n");
  Type("ab\x04");  // in mid-line it only hands over what was typed
  EXPECT_EQ(Read(), u"ab");
}

TEST_F(TerminalTest, TheInputModeMapsToCanonicalInputEchoAndSignalKeys) {
  ASSERT_TRUE(platform::SetConsoleInputMode(console_, 0));
  termios settings;
  ASSERT_EQ(tcgetattr(slave_, &settings), 0);
  EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
  ASSERT_TRUE(platform::SetConsoleInputMode(console_, 7));
  ASSERT_EQ(tcgetattr(slave_, &settings), 0);
  EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), ICANON | ECHO | ISIG);
}

TEST_F(TerminalTest, TextWrittenToTheTerminalIsUtf8) {
  const std::u16string text = {u'H', 0x00E9, 0xD83D, 0xDE00, 0xDC00, u'!'};
  std::uint32_t written = 0;
  ASSERT_TRUE(platform::WriteConsoleChars(console_, text.data(), 6, &written));
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(Shown(), "H\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD!");
}

TEST(NotATerminalTest, IsNoConsoleButAFileWithExactBytesAndAnEnd) {
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  const FileHandle reader = platform::HandleOfDescriptor(pipe_ends[0]);
  const FileHandle writer = platform::HandleOfDescriptor(pipe_ends[1]);
  char16_t text[4] = u"abc";
  std::uint32_t count = 7;
  EXPECT_FALSE(platform::SetConsoleInputMode(reader, 7));
  EXPECT_FALSE(platform::ReadConsoleChars(reader, text, 4, &count));
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(platform::WriteConsoleChars(writer, text, 3, &count));

  ASSERT_TRUE(platform::WriteFileBytes(writer, "a\0b\0\r\0", 6, &count));
  EXPECT_EQ(count, 6u);
  close(pipe_ends[1]);
  char bytes[16];
  EXPECT_EQ(platform::ReadFileBytes(reader, bytes, sizeof bytes, &count),
            platform::FileReadResult::Success);
  EXPECT_EQ(std::string(bytes, count), std::string("a\0b\0\r\0", 6));
  EXPECT_EQ(platform::ReadFileBytes(reader, bytes, sizeof bytes, &count),
            platform::FileReadResult::Success);
  EXPECT_EQ(count, 0u);
  close(pipe_ends[0]);
}

// Another program may have made a shared descriptor non-blocking: reads wait
// for input all the same, on a pipe and on a terminal.
TEST(NotATerminalTest, ANonBlockingDescriptorStillWaitsForInput) {
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  for (int descriptor : {pipe_ends[0], slave}) {
    ASSERT_EQ(fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) | O_NONBLOCK), 0);
  }
  std::thread writer([&] {
    usleep(100'000);
    EXPECT_EQ(write(pipe_ends[1], "ab", 2), 2);
    EXPECT_EQ(write(master, "x\n", 2), 2);
  });
  char bytes[4];
  std::uint32_t got = 0;
  EXPECT_EQ(platform::ReadFileBytes(platform::HandleOfDescriptor(pipe_ends[0]), bytes, 4, &got),
            platform::FileReadResult::Success);
  EXPECT_EQ(std::string(bytes, got), "ab");
  char16_t line[8];
  EXPECT_TRUE(platform::ReadConsoleChars(platform::HandleOfDescriptor(slave), line, 8, &got));
  EXPECT_EQ(std::u16string(line, got), u"x\r\n");
  writer.join();
  for (int descriptor : {pipe_ends[0], pipe_ends[1], master, slave}) close(descriptor);
}

TEST(NotATerminalTest, AWriteToAPipeWithoutReaderFailsQuietly) {
  platform::AllocateConsole();
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  close(pipe_ends[0]);
  std::uint32_t written = 7;
  EXPECT_FALSE(
      platform::WriteFileBytes(platform::HandleOfDescriptor(pipe_ends[1]), "ab", 2, &written));
  close(pipe_ends[1]);
}

TEST(StandardHandleTest, AreDescriptorsZeroAndOne) {
  EXPECT_EQ(platform::DescriptorOf(platform::GetStandardHandle(platform::StandardStream::Input)),
            0);
  EXPECT_EQ(platform::DescriptorOf(platform::GetStandardHandle(platform::StandardStream::Output)),
            1);
}

// ---- Control events ---------------------------------------------------------

int ReportPipe = -1;
std::atomic<bool> HandlerRan;

std::int32_t ReportAndLeaveToTheSystem(std::uint32_t event) {
  const char code = static_cast<char>('0' + event);
  (void)!write(ReportPipe, &code, 1);
  HandlerRan = true;
  return 0;
}

std::int32_t ReportAndHandle(std::uint32_t event) {
  ReportAndLeaveToTheSystem(event);
  return 1;
}

struct Ended {
  char event;  // as the handler reported it, or '-'
  int status;  // from waitpid
};

// In a child process: registers `handler` and sends `signal` to the process.
// The child exits with 7 once the handler has run, unless the process ends
// first; a handler that leaves the event to the system gives it five seconds.
Ended SendInChild(platform::ControlHandler handler, int signal, bool handled) {
  int report[2];
  EXPECT_EQ(pipe(report), 0);
  const pid_t child = fork();
  if (child == 0) {
    close(report[0]);
    ReportPipe = report[1];
    const rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    platform::RegisterControlHandler(handler);
    kill(getpid(), signal);
    for (int waited = 0; waited < 500 && !(handled && HandlerRan); ++waited) usleep(10'000);
    _exit(7);
  }
  close(report[1]);
  Ended ended = {'-', 0};
  if (read(report[0], &ended.event, 1) != 1) ended.event = '-';
  close(report[0]);
  waitpid(child, &ended.status, 0);
  return ended;
}

TEST(ControlEventTest, EachSignalIsItsEventAndThenEndsTheProcessAsTheSignalWould) {
  const struct {
    int signal;
    char event;
  } cases[] = {{SIGINT, '0'}, {SIGQUIT, '1'}, {SIGHUP, '2'}, {SIGTERM, '6'}};
  for (const auto& c : cases) {
    const Ended ended = SendInChild(ReportAndLeaveToTheSystem, c.signal, false);
    EXPECT_EQ(ended.event, c.event) << "signal " << c.signal;
    EXPECT_TRUE(WIFSIGNALED(ended.status)) << "signal " << c.signal;
    if (WIFSIGNALED(ended.status)) {
      EXPECT_EQ(WTERMSIG(ended.status), c.signal);
    }
  }
}

TEST(ControlEventTest, SignalsIgnoredAtStartStayIgnored) {
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t child = fork();
  if (child == 0) {
    close(report[0]);
    ReportPipe = report[1];
    signal(SIGHUP, SIG_IGN);  // as nohup starts a program
    signal(SIGINT, SIG_IGN);  // as a shell starts a background job
    platform::RegisterControlHandler(ReportAndLeaveToTheSystem);
    kill(getpid(), SIGHUP);
    kill(getpid(), SIGINT);
    usleep(200'000);
    _exit(7);
  }
  close(report[1]);
  char event = '-';
  EXPECT_NE(read(report[0], &event, 1), 1) << "the handler ran for event " << event;
  close(report[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);
}

TEST(ControlEventTest, AHandledEventLetsTheProcessGoOn) {
  const Ended ended = SendInChild(ReportAndHandle, SIGINT, true);
  EXPECT_EQ(ended.event, '0');
  ASSERT_TRUE(WIFEXITED(ended.status));
  EXPECT_EQ(WEXITSTATUS(ended.status), 7);
}

}  // namespace
