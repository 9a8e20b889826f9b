// The console on Linux: a pseudo-terminal of the test's own that speaks UTF-8;
// function names in UTF-8. (Files and pipes are the end-to-end tests'.)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <utility>

#include "runtime/console/console.h"
#include "runtime/platform/posix/file_handle.h"
#include "tests/checks.h"
#include "tests/seeded.h"

namespace {

class TerminalTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(openpty(&master_, &slave_, nullptr, nullptr, nullptr), 0); }
  void TearDown() override {
    close(master_);
    close(slave_);
  }
  // Everything the terminal has shown so far.
  std::string Shown() {
    std::string shown(1 << 16, '\0');
    std::size_t got = 0;
    ssize_t n = 0;
    for (pollfd ready = {master_, POLLIN, 0};
         poll(&ready, 1, 200) == 1 && (n = read(master_, &shown[got], 4096)) > 0;)
      got += static_cast<std::size_t>(n);
    return shown.substr(0, got);
  }
  platform::FileHandle Terminal() { return platform::HandleOfDescriptor(slave_); }
  // What one console read gives.
  std::u16string ReadChars() {
    char16_t units[8];
    std::uint32_t got = 0;
    EXPECT_TRUE(platform::ReadConsoleChars(Terminal(), units, 8, &got));
    return std::u16string(units, got);
  }
  int master_ = -1;
  int slave_ = -1;
};

// Random text goes out as its UTF-8 in chunks, surrogate pairs whole even where
// a pair straddles a chunk's end.
TEST_F(TerminalTest, TextGoesOutAsUtf8WithPairsWholeAcrossChunks) {
  termios raw;
  tcgetattr(slave_, &raw);
  raw.c_oflag &= ~OPOST;
  tcsetattr(slave_, TCSANOW, &raw);
  Seeded random;
  const char16_t alphabet[] = {u'a', 0x00E9, 0x4E16, 0xD83D, 0xDE00, 0xDC00};
  for (std::size_t length : {1023u, 1024u, 1025u, 3000u}) {
    std::u16string text(length, u'x');
    for (char16_t& unit : text) unit = alphabet[random.Between(0, 5)];
    text[1022] = u'x';
    // A pair across the first chunk's end, its high surrogate the first or the last.
    if (length > 1023) text[1023] = length % 2 == 1 ? 0xD800 : 0xDBFF;
    if (length > 1024) text[1024] = 0xDE00;
    if (length > 1025) text[1025] = 0xFF01;
    // A pair that ends the second chunk, which stays in it.
    if (length > 2047) text.replace(2045, 2, u"\U0001F600");
    std::uint32_t written = 0;
    ASSERT_TRUE(platform::WriteConsoleChars(Terminal(), text.data(), length, &written));
    EXPECT_EQ(written, length);
    EXPECT_EQ(Shown(), reference::EncodeUtf8(text)) << "length " << length;
  }
}

// The title goes to a standard output that is a terminal, and not to a pipe nor
// to a dumb terminal.
TEST_F(TerminalTest, OpenConsoleSetsTheTitleOfATerminalOnly) {
  const int saved = dup(STDOUT_FILENO);
  int piped[2];
  ASSERT_EQ(pipe(piped), 0);
  for (const char* type : {"dumb", "xterm"}) {
    setenv("TERM", type, 1);
    for (int out : {slave_, piped[1]}) {
      dup2(out, STDOUT_FILENO);
      OpenConsole(u"t\u00e9");
    }
    EXPECT_EQ(Shown(), type[0] == 'd' ? "" : "\x1b]0;t\xc3\xa9\x07") << "TERM=" << type;
  }
  dup2(saved, STDOUT_FILENO);
  close(saved);
  close(piped[1]);
  char byte;
  EXPECT_EQ(read(piped[0], &byte, 1), 0);
  close(piped[0]);
}

// A line typed on a terminal that another process made non-blocking is waited
// for, and comes in as its UTF-16 ended by CR LF.
TEST_F(TerminalTest, ALineIsWaitedForOnANonBlockingTerminal) {
  fcntl(slave_, F_SETFL, O_NONBLOCK);
  std::thread typist([this] {
    usleep(50'000);
    EXPECT_EQ(write(master_, "a\xc3\xa9\n", 4), 4);
  });
  EXPECT_EQ(ReadChars(), u"a\u00e9\r\n");
  typist.join();
}

// The end-of-file key comes in as Ctrl-Z and CR LF; typed between the bytes of
// a character, it gives what came before the character, and typed again the
// character cut off, as U+FFFD; a byte that starts no character is U+FFFD at once.
TEST_F(TerminalTest, TheEndOfFileKeyComesInAsCtrlZ) {
  ASSERT_EQ(write(master_, "\x04", 1), 1);
  EXPECT_EQ(ReadChars(), u"\x1a\r\n");
  ASSERT_EQ(write(master_, "b\xc3\x04", 3), 3);
  EXPECT_EQ(ReadChars(), u"b");
  ASSERT_EQ(write(master_, "\x04", 1), 1);
  EXPECT_EQ(ReadChars(), u"\uFFFD");
  ASSERT_EQ(write(master_, "c\x80\x04", 3), 3);
  EXPECT_EQ(ReadChars(), u"c\uFFFD");
}

// Each bit of a console's input mode sets its own: processed input (1) signals,
// line input (2) lines, echo input (4) the echo; setting the mode a terminal
// has already succeeds.
TEST_F(TerminalTest, InputModesAreSetAsAsked) {
  const std::pair<std::uint32_t, tcflag_t> modes[] = {
      {0, 0}, {1, ISIG}, {7, ICANON | ECHO | ISIG}, {7, ICANON | ECHO | ISIG}};
  for (const auto& [mode, flags] : modes) {
    termios settings;
    EXPECT_TRUE(platform::SetConsoleInputMode(Terminal(), mode));
    tcgetattr(slave_, &settings);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), flags) << mode;
  }
}

// Bytes near every boundary of the well-formedness table, decoded whole and cut
// anywhere into two reads, and units encoded.
TEST(Utf8Test, ConversionsAgreeWithTheStandard) {
  check::Replay(check::Utf8Agrees, 20'000, 40);
}

// A name the system gives in UTF-8 comes out as its characters without the
// blanks around them, and a cut leaves no half of a pair (U+D800 and U+DBFF,
// the first and last high halves).
TEST(Utf8Test, SystemNamesAreDecoded) {
  const char name[] = " Intel\xC2\xAE \xF0\x90\x80\x80\xF4\x8F\xBF\xBF\n";
  char16_t text[16];
  platform::CopyUtf8Name(name, sizeof name - 1, text, 16);
  EXPECT_EQ(std::u16string(text), u"Intel\u00AE \U00010000\U0010FFFF");
  platform::CopyUtf8Name(name, sizeof name - 1, text, 9);
  EXPECT_EQ(std::u16string(text), u"Intel\u00AE ");
  platform::CopyUtf8Name(name, sizeof name - 1, text, 11);
  EXPECT_EQ(std::u16string(text), u"Intel\u00AE \U00010000");
  platform::CopyUtf8Name(" \t\n", 3, text, 16);
  EXPECT_EQ(std::u16string(text), u"");
}

// Function names reach the dynamic linker as UTF-8 of at most 259 bytes (the
// library tests give it names with lone surrogates, which have none).
TEST(Utf8Test, FunctionNamesAreUtf8OfAtMost259Bytes) {
  Seeded random;
  char narrow[platform::FunctionNameBytes];
  for (int round = 0; round < 1000; ++round) {
    std::u16string name(static_cast<std::size_t>(random.Between(0, 140)), u'a');
    for (char16_t& unit : name)
      unit = static_cast<char16_t>(1 + (random.Between(1, 0xD7FE) >> random.Between(0, 15)));
    const char16_t* beyond[] = {u"", u"\U00010000", u"\U0001F600", u"\U0010FFFF"};
    name += beyond[random.Between(0, 3)];
    std::string utf8 = reference::EncodeUtf8(name);
    // Half of them 258, 259 or 260 bytes long, about the most the room takes.
    const auto edge = static_cast<std::size_t>(random.Between(258, 260));
    if (random.OneIn(2) && utf8.size() < edge) {
      name.insert(0, edge - utf8.size(), u'a');
      utf8 = reference::EncodeUtf8(name);
    }
    ASSERT_EQ(platform::NarrowFunctionName(name.c_str(), narrow), utf8.size() < sizeof narrow)
        << round;
    ASSERT_EQ(utf8.size() < sizeof narrow ? narrow : utf8, utf8);
  }
}

}  // namespace
