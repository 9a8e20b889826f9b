// The console on Linux: a pseudo-terminal of the test's own that speaks UTF-8,
// pipes that are no console, and the signals that are its control events.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "runtime/platform/platform.h"
#include "runtime/platform/posix/file_handle.h"
#include "runtime/platform/posix/utf8.h"
#include "tests/checks.h"
#include "tests/reference.h"
#include "tests/seeded.h"

namespace {

using platform::HandleOfDescriptor;

class TerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(openpty(&master_, &slave_, nullptr, nullptr, nullptr), 0);
    console_ = HandleOfDescriptor(slave_);
  }
  void TearDown() override { close(master_), close(slave_); }

  void Type(const std::string& keys) {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  std::u16string Read(std::uint32_t capacity = 4096) {
    std::u16string text(capacity, u'\0');
    std::uint32_t read = 0;
    EXPECT_TRUE(platform::ReadConsoleChars(console_, text.data(), capacity, &read));
    return text.substr(0, read);
  }
  // Everything the terminal has shown so far.
  std::string Shown() {
    std::string shown;
    char chunk[4096];
    for (pollfd ready = {master_, POLLIN, 0}; poll(&ready, 1, 200) == 1;) {
      const ssize_t got = read(master_, chunk, sizeof chunk);
      if (got <= 0) break;
      shown.append(chunk, static_cast<std::size_t>(got));
    }
    return shown;
  }

  int master_ = -1, slave_ = -1;
  platform::FileHandle console_ = nullptr;
};

TEST_F(TerminalTest, TypedLinesArriveAsUtf16EndedByCrLfAndAreEchoed) {
  ASSERT_TRUE(platform::SetConsoleInputMode(console_, 7));
  termios settings;
  ASSERT_EQ(tcgetattr(slave_, &settings), 0);
  EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), ICANON | ECHO | ISIG);
  Type(
      "Gr\xC3\xBC\xC3\x9F"
      "e \xF0\x9F\x98\x80 \xFF\r");
  EXPECT_EQ(Read(), u"Gr\u00fc\u00dfe \U0001F600 \ufffd\r\n");
  Type("abcdef\n");
  EXPECT_EQ(Read(4), u"abcd");
  EXPECT_EQ(Read(4), u"ef\r\n");
  Type("\x04");  // Ctrl-D at the start of a line: the end of input
  EXPECT_EQ(Read(), u"\x1a\r\n");
  // A sequence that Ctrl-D hands over in two parts, at every cut.
  const std::string smiley = "\xF0\x9F\x98\x80";
  for (std::size_t cut = 1; cut < smiley.size(); ++cut) {
    Type(std::string("a").append(smiley, 0, cut).append("\x04"));
    EXPECT_EQ(Read(), u"a");
    Type(smiley.substr(cut) + "\n");
    EXPECT_EQ(Read(), u"\U0001F600\r\n") << cut;
  }
  ASSERT_TRUE(platform::SetConsoleInputMode(console_, 0));
  ASSERT_EQ(tcgetattr(slave_, &settings), 0);
  EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
}

// Random text goes out as its UTF-8 in chunks, surrogate pairs whole even where
// a pair straddles a chunk's end.
TEST_F(TerminalTest, WrittenTextIsItsUtf8) {
  termios raw;
  tcgetattr(slave_, &raw);
  raw.c_oflag &= ~OPOST;
  tcsetattr(slave_, TCSANOW, &raw);
  Seeded random;
  const char16_t alphabet[] = {u'a', 0x00E9, 0x4E16, 0xD83D, 0xDE00, 0xDC00};
  for (std::size_t length : {1023u, 1024u, 1025u, 3000u}) {
    std::u16string text(length, u'x');
    for (char16_t& unit : text) unit = alphabet[random.Between(0, 5)];
    text[1023] = 0xD83D;  // a pair across the first chunk's end
    if (length > 1024) text[1024] = 0xDE00;
    std::uint32_t written = 0;
    ASSERT_TRUE(platform::WriteConsoleChars(console_, text.data(), length, &written));
    EXPECT_EQ(written, length);
    EXPECT_EQ(Shown(), reference::EncodeUtf8(text)) << "length " << length;
  }
}

// Random bytes near every boundary of the well-formedness table, decoded whole
// and cut anywhere into two reads.
TEST(Utf8Test, ConversionsAgreeWithTheStandardWhereverTheBytesAreCut) {
  Seeded random;
  const unsigned char bytes[] = {'a',  0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1,
                                 0xC2, 0xDF, 0xE0, 0xE1, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
  for (int round = 0; round < 20'000; ++round) {
    std::string text(static_cast<std::size_t>(random.Between(0, 9)), 'a');
    for (char& byte : text) byte = static_cast<char>(bytes[random.Between(0, sizeof bytes - 1)]);
    ASSERT_TRUE(check::Utf8Agrees(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))
        << round;
  }
}

// Function names reach the dynamic linker as UTF-8 of at most 259 bytes.
TEST(Utf8Test, FunctionNamesAreTheirUtf8WithinTheLimit) {
  Seeded random;
  char narrow[platform::FunctionNameBytes];
  for (int round = 0; round < 1000; ++round) {
    std::u16string name(static_cast<std::size_t>(random.Between(0, 140)), u'a');
    for (char16_t& unit : name)
      unit = static_cast<char16_t>(1 + (random.Between(1, 0xD7FE) >> random.Between(0, 15)));
    if (random.OneIn(2)) name += u"\U0001F600";
    const std::string utf8 = reference::EncodeUtf8(name);
    ASSERT_EQ(platform::NarrowFunctionName(name.c_str(), narrow), utf8.size() < sizeof narrow)
        << round;
    if (utf8.size() < sizeof narrow) {
      ASSERT_EQ(narrow, utf8);
    }
  }
  EXPECT_FALSE(platform::NarrowFunctionName(u"a\xDC00", narrow));  // no UTF-8 for a lone surrogate
}

TEST(NotATerminalTest, PipesCarryExactBytesAndEndsAndWaitWhenNonBlocking) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const platform::FileHandle reader = HandleOfDescriptor(ends[0]),
                             writer = HandleOfDescriptor(ends[1]);
  std::uint32_t count = 7;
  EXPECT_FALSE(platform::SetConsoleInputMode(reader, 7));  // not a console
  // Made non-blocking by whoever shares it, the pipe still waits for its bytes.
  fcntl(ends[0], F_SETFL, O_NONBLOCK);
  std::thread late([&] {
    usleep(100'000);
    EXPECT_TRUE(platform::WriteFileBytes(writer, "a\0\r\0", 4, &count));
    close(ends[1]);
  });
  char bytes[16];
  EXPECT_EQ(platform::ReadFileBytes(reader, bytes, sizeof bytes, &count),
            platform::FileReadResult::Success);
  EXPECT_EQ(std::string(bytes, count), std::string("a\0\r\0", 4));
  late.join();
  EXPECT_EQ(platform::ReadFileBytes(reader, bytes, sizeof bytes, &count),
            platform::FileReadResult::Success);
  EXPECT_EQ(count, 0u);  // the writer has gone: the end of input
  close(ends[0]);
  platform::AllocateConsole();  // a write to a pipe nobody reads fails, and ends nothing
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  EXPECT_FALSE(platform::WriteFileBytes(HandleOfDescriptor(ends[1]), "ab", 2, &count));
  close(ends[1]);
}

int ReportPipe = -1;

std::int32_t Report(std::uint32_t event) {
  const char code = static_cast<char>('0' + event);
  return write(ReportPipe, &code, 1) == 1 &&
         event == platform::ControlCEvent;  // handles Ctrl-C only
}

// In a child that starts with `ignored` ignored and registers Report: the events
// reported and how the child ended after `signal` (exit 7 if it went on).
std::pair<std::string, int> SendInChild(int signal, int ignored = 0) {
  int report[2];
  EXPECT_EQ(pipe(report), 0);
  const pid_t child = fork();
  if (child == 0) {
    ReportPipe = report[1];
    const rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (ignored != 0) ::signal(ignored, SIG_IGN);
    platform::RegisterControlHandler(Report);
    kill(getpid(), signal);
    usleep(300'000);
    _exit(7);
  }
  close(report[1]);
  std::string events;
  char event;
  while (read(report[0], &event, 1) == 1) events += event;
  close(report[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return {events, WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status)};
}

TEST(ControlEventTest, SignalsAreEventsThatEndTheProcessUnlessHandledOrIgnored) {
  EXPECT_EQ(SendInChild(SIGINT), (std::pair<std::string, int>{"0", 7}));  // handled
  EXPECT_EQ(SendInChild(SIGQUIT), (std::pair<std::string, int>{"1", -SIGQUIT}));
  EXPECT_EQ(SendInChild(SIGHUP), (std::pair<std::string, int>{"2", -SIGHUP}));
  EXPECT_EQ(SendInChild(SIGTERM), (std::pair<std::string, int>{"6", -SIGTERM}));
  // Ignored when the process started, as nohup and background jobs start it.
  EXPECT_EQ(SendInChild(SIGHUP, SIGHUP), (std::pair<std::string, int>{"", 7}));
  EXPECT_EQ(SendInChild(SIGTERM, SIGTERM), (std::pair<std::string, int>{"", 7}));
}

}  // namespace
