// ReadLine on the scripted console and on scripted redirected input: the worked
// examples, the line breaks, reads that end in awkward places, growth of the
// reservation, the end of input and read failures.
#include "runtime/console/read_line.h"

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/platform/out_of_memory.h"
#include "tests/fake/console_fixture.h"
#include "tests/fake/fake_platform.h"

namespace {

using fake::FileRead;
using fake::Utf16Bytes;
using platform::FileReadResult;
using Lines = std::vector<std::u16string>;

const std::u16string kEnd(1, EndOfInputChar);

class ReadLineTest : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    AppendText(u"kept");  // the line goes behind text that must survive
  }

  // One ReadLine at the current position. Checks that the position ends on the
  // NUL behind the line and that the text before it is intact; returns the line
  // and sets the position back.
  std::u16string Read() {
    const std::int32_t position = Position();
    const std::int64_t count = ReadLine(position);
    EXPECT_EQ(Position(), position + 2 * count);
    EXPECT_EQ(WorkspaceTextAt(position)[count], u'\0');
    EXPECT_EQ(std::u16string(WorkspaceTextAt(0), 4), u"kept");
    std::u16string line(WorkspaceTextAt(position), static_cast<std::size_t>(count));
    TruncateWorkspace(position);
    return line;
  }

  Lines Read(int lines) {
    Lines read;
    for (int i = 0; i < lines; ++i) read.push_back(Read());
    return read;
  }

  static int ReadsOfFiles() { return static_cast<int>(fake::FileReadSizes().size()); }
};

// ---- Console path -----------------------------------------------------------

TEST_F(ReadLineTest, AConsoleLineLosesItsFinalCrLf) {
  fake::TypeOnConsole({u"abc\r\n"});
  EXPECT_EQ(ReadLine(Position()), 3);
  EXPECT_EQ(TextAt(8), u"abc");
  EXPECT_EQ(Position(), 8 + 6);
  EXPECT_EQ(
      fake::ConsoleCalls(),
      (std::vector<std::string>{"AllocateConsole", "GetStandardHandle input",
                                "GetStandardHandle output", "RegisterControlHandler",
                                "SetConsoleInputMode input 7", "ReadConsoleChars input 4096"}));
}

TEST_F(ReadLineTest, AConsoleChunkKeepsACrThatNoLfFollows) {
  fake::TypeOnConsole({u"a\rb", u"\r\n"});
  EXPECT_EQ(Read(2), (Lines{u"a\rb", u""}));
}

TEST_F(ReadLineTest, CtrlZAloneOnAConsoleLineIsTheEndOfInput) {
  fake::TypeOnConsole({u"\x1a\r\n", u"\x1a", u"x\x1a\r\n", u"q\r\n", u"q", u"\r\n"});
  EXPECT_EQ(Read(6), (Lines{kEnd, kEnd, u"x\x1a", u"q", u"q", u""}));
}

TEST_F(ReadLineTest, ALongConsoleLineComesInChunksOfAtMost4096) {
  const std::u16string a4094(4094, u'a');
  fake::TypeOnConsole({a4094 + u"\r\n", std::u16string(5000, u'b') + u"\r\n", a4094 + u"c\r\n"});
  EXPECT_EQ(Read(), a4094);
  EXPECT_EQ(Read(), std::u16string(4096, u'b'));
  EXPECT_EQ(Read(), std::u16string(904, u'b'));
  // A CR LF split between two chunks stays in the text.
  EXPECT_EQ(Read(), a4094 + u"c\r");
  EXPECT_EQ(Read(), u"\n");
}

// ---- Redirected path ----------------------------------------------------------

TEST_F(ReadLineTest, APipeWithTwoLinesAndThenItsEnd) {
  fake::RedirectInput({{Utf16Bytes(u"a\r\nb\n")}});
  EXPECT_EQ(Read(), u"a");
  EXPECT_NE(PendingInput, nullptr);
  EXPECT_EQ(ReadsOfFiles(), 1);
  EXPECT_EQ(Read(), u"b");  // from the pending input, without a read
  EXPECT_EQ(ReadsOfFiles(), 1);
  EXPECT_EQ(PendingInput, nullptr);
  EXPECT_EQ(Read(3), (Lines{kEnd, kEnd, kEnd}));
  EXPECT_EQ(fake::FileReadSizes(), (std::vector<std::uint32_t>{8192, 8192, 8192, 8192}));
  EXPECT_EQ(LiveProgramBlocks(), 0u);
}

TEST_F(ReadLineTest, AnEmptyInputEndsAtOnce) {
  fake::RedirectInput({});
  const std::int32_t position = Position();
  EXPECT_EQ(ReadLine(position), 1);
  EXPECT_EQ(TextAt(position), kEnd);
  EXPECT_EQ(Position(), position + 2);
}

TEST_F(ReadLineTest, EveryCrEveryLfAndEveryCrLfEndALine) {
  fake::RedirectInput({{Utf16Bytes(u"lone\rcr\n\rlf\r\n\r\nlast")}});
  EXPECT_EQ(Read(7), (Lines{u"lone", u"cr", u"", u"lf", u"", u"last", kEnd}));
}

TEST_F(ReadLineTest, ACrLfSplitBetweenReadsIsOneLineBreak) {
  // Split between the units, and with the LF's own bytes split as well; a CR
  // whose next read brings something else keeps that character.
  const std::string bytes = Utf16Bytes(u"a\r\nb\r\nc\rd\n");
  std::vector<FileRead> reads;
  std::size_t from = 0;
  for (std::size_t cut : {4, 10, 11, 16, 18}) {
    reads.push_back({bytes.substr(from, cut - from)});
    from = cut;
  }
  fake::RedirectInput(reads);
  EXPECT_EQ(Read(5), (Lines{u"a", u"b", u"c", u"d", kEnd}));
}

TEST_F(ReadLineTest, ACharacterSplitBetweenTwoReadsIsPutTogether) {
  // "ab\n" arrives as 3 + 3 bytes, then "c\nd\n" with a break before the odd byte.
  fake::RedirectInput({{std::string("a\0b", 3)},
                       {std::string("\0\n\0", 3)},
                       {std::string("c\0\n\0d", 5)},
                       {std::string("\0\n\0", 3)}});
  EXPECT_EQ(Read(4), (Lines{u"ab", u"c", u"d", kEnd}));
}

TEST_F(ReadLineTest, AHalfCharacterBeforeAReadFailureIsKeptForTheNextRead) {
  fake::RedirectInput(
      {{std::string("x\0y", 3), FileReadResult::Failure}, {std::string("\0\n\0", 3)}});
  EXPECT_EQ(Read(2), (Lines{u"x", u"y"}));
}

TEST_F(ReadLineTest, EightBitTextBreaksOnlyWhereABreakByteMeetsAZeroByte) {
  // The bytes a b CR LF form the units 0x6261 and 0x0A0D; c 0 LF 0 form c LF.
  fake::RedirectInput({{std::string("ab\r\nc\0\n\0", 8)}});
  EXPECT_EQ(Read(2), (Lines{u"\u6261\u0a0dc", kEnd}));
}

TEST_F(ReadLineTest, ALastLineWithoutABreakIsReturnedWhole) {
  fake::RedirectInput({{Utf16Bytes(u"first\nno break")}});
  EXPECT_EQ(Read(3), (Lines{u"first", u"no break", kEnd}));
}

TEST_F(ReadLineTest, ALongLineGrowsTheReservationAndKeepsWhatWasRead) {
  std::u16string line;
  for (int i = 0; i < 10'000; ++i) line.push_back(static_cast<char16_t>(u'A' + i % 26));
  // Reads of 3,500 characters: after the first, 596 are free, enough for another
  // read without growth; after the second none are, and the reservation grows.
  const std::string bytes = Utf16Bytes(line + u"\nnext");
  std::vector<FileRead> reads;
  for (std::size_t at = 0; at < bytes.size(); at += 7000) reads.push_back({bytes.substr(at, 7000)});
  fake::RedirectInput(reads);
  EXPECT_EQ(Read(), line);
  EXPECT_EQ(fake::FileReadSizes(), (std::vector<std::uint32_t>{8192, 1192, 8192, 2384, 8192}));
  EXPECT_EQ(Read(2), (Lines{u"next", kEnd}));
}

TEST_F(ReadLineTest, AGrowingReservationStartsAtCountPlus4096) {
  fake::RedirectInput({{Utf16Bytes(std::u16string(10'000, u'x') + u"\n")}});
  const std::int32_t position = Position();
  EXPECT_EQ(ReadLine(position), 10'000);
  // 4096, then 8192 and 12288 characters reserved; each read fills what is free.
  EXPECT_EQ(fake::FileReadSizes(), (std::vector<std::uint32_t>{8192, 8192, 8192}));
  EXPECT_EQ(TextAt(position), std::u16string(10'000, u'x'));
  EXPECT_GE(StringWorkspace.capacity, position + 2 * 12'288);
}

TEST_F(ReadLineTest, ABrokenPipeEndsTheInputAndAnyOtherFailureAnEmptyLine) {
  fake::RedirectInput({{Utf16Bytes(u"ab"), FileReadResult::BrokenPipe},
                       {"", FileReadResult::BrokenPipe},
                       {Utf16Bytes(u"cd"), FileReadResult::Failure},
                       {"", FileReadResult::Failure},
                       {Utf16Bytes(u"ef\n")}});
  EXPECT_EQ(Read(5), (Lines{u"ab", kEnd, u"cd", u"", u"ef"}));
}

TEST_F(ReadLineTest, PendingInputWaitsWhileTheConsoleIsRead) {
  fake::RedirectInput({{Utf16Bytes(u"a\nb\n")}});
  EXPECT_EQ(Read(), u"a");
  fake::TypeOnConsole({u"typed\r\n"});
  EXPECT_EQ(Read(), u"typed");
  EXPECT_NE(PendingInput, nullptr);
  fake::RedirectInput({});
  EXPECT_EQ(Read(2), (Lines{u"b", kEnd}));
}

TEST_F(ReadLineTest, PendingInputThatCannotBeKeptEndsTheProcessInsteadOfVanishing) {
  ReserveWorkspace(2 * LineReservation, Position());  // ReadLine needs no growth now
  TruncateWorkspace(8);
  fake::RedirectInput({{Utf16Bytes(u"a\nb\n")}});
  fake::FailAllocation(1);
  EXPECT_EQ(fake::ExitCodeOf([] { ReadLine(8); }), OutOfMemoryExitCode);
  EXPECT_EQ(fake::StandardError(), "stringchurn: out of memory\n");
  EXPECT_EQ(PendingInput, nullptr);
}

TEST_F(ReadLineTest, EveryCallSetsTheInputMode) {
  fake::RedirectInput({});
  Read(2);
  const auto& calls = fake::ConsoleCalls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "SetConsoleInputMode input 7"), 2);
}

}  // namespace
