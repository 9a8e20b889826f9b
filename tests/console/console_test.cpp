// The console: the lines PrintLine writes, and ReadLine against the line rules
// over random input cut into random reads.
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/console/line_hooks.h"
#include "runtime/console/print_line.h"
#include "runtime/console/read_line.h"
#include "tests/checks.h"
#include "tests/fixture.h"
#include "tests/reference.h"

namespace {

using platform::FileReadResult;
using Lines = std::vector<std::u16string>;

class ConsoleTest : public RuntimeTest {
 protected:
  // Lines read behind a text that must survive, up to and including the end of
  // input (or `most` lines); each is checked to end on its NUL at the position.
  static Lines ReadLines(std::size_t most = SIZE_MAX, bool toTheEnd = true) {
    TruncateWorkspace(0);
    AppendText(u"kept");
    Lines lines;
    while (lines.size() < most && !(toTheEnd && !lines.empty() && lines.back() == u"\x04")) {
      const std::int64_t count = ReadLine(8);
      EXPECT_EQ(WorkspacePosition(), 8 + 2 * count);
      lines.push_back(TextAt(8));
      EXPECT_EQ(lines.back().size(), static_cast<std::size_t>(count));
      EXPECT_EQ(TextAt(0).substr(0, 4), u"kept");
      TruncateWorkspace(8);
    }
    return lines;
  }
};

// The bytes of lines in a file are the end-to-end cases'; here the blank line,
// the console's text, and lines at the edges of one write, with no heap block to
// be had.
TEST_F(ConsoleTest, PrintLineWritesTheLineAndCrLfAsTextOrRawUtf16) {
  EXPECT_EQ(PrintLine(nullptr), 0);
  fake::state.outputIsConsole = true;
  EXPECT_EQ(PrintLine(u"\u00e9"), 0);
  EXPECT_EQ(fake::state.consoleText, u"\u00e9\r\n");
  fake::state.outputIsConsole = false;
  fake::state.writeError = fake::NoSpace;
  EXPECT_EQ(PrintLine(u"lost"), fake::NoSpace);
  fake::state.writeError = 0;
  fake::state.failingCall = fake::state.heapCalls + 1;
  std::u16string expected = u"\r\n";
  for (const std::size_t length : {4094, 4095, 12'000}) {
    std::u16string line(length, u'a');
    for (std::size_t i = 0; i < length; ++i) line[i] += static_cast<char16_t>(i % 23);
    EXPECT_EQ(PrintLine(line.c_str()), 0);
    expected += line + u"\r\n";
  }
  EXPECT_EQ(fake::state.fileBytes, fake::Utf16Bytes(expected));
}

// Random UTF-16 text of lines of any length, with every kind of line break,
// units that hold a CR or LF byte without being one, and reads of any size,
// odd ones too, failures between them; the end of input stays.
TEST_F(ConsoleTest, RedirectedInputGivesTheLinesOfTheReferenceWhereverTheReadsFall) {
  // Reads that end between a CR and its LF, and inside the LF: "a\r|\nb\r|\n|\nc".
  for (const std::string& cuts : {std::string("\x03\x03\x05\x01"), std::string("\x02\x03\x06")}) {
    const std::string bytes = cuts + fake::Utf16Bytes(u"a\r\nb\r\n\nc");
    EXPECT_TRUE(
        check::ReadLineAgrees(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  }
  Seeded random;
  const char16_t alphabet[] = {u'a', u'\r', u'\n', 0x0D00, 0x0A0A, 0x00E9, 0xD83D, u'\x1a'};
  for (int round = 0; round < 300; ++round) {
    std::string bytes(1, static_cast<char>(random.Between(0, 15)));
    for (int cut = 0; cut < 16; ++cut) bytes += static_cast<char>(random.Between(0, 255));
    const long length = random.Between(0, random.OneIn(10) ? 12'000 : 60);
    std::u16string text;
    while (static_cast<long>(text.size()) < length) {
      const char16_t unit = alphabet[random.Between(0, 7)];
      // Now and then a line longer than ReadLine's first reservation.
      const long run = !random.OneIn(200) ? random.Between(1, 200)
                       : random.OneIn(2)  ? random.Between(LineReservation - 1, LineReservation + 1)
                                          : random.Between(4000, 12'000);
      text.append(unit == u'a' ? static_cast<std::size_t>(run) : 1, unit);
    }
    bytes = bytes.substr(0, 1 + bytes[0]) + fake::Utf16Bytes(text) + (random.OneIn(4) ? "z" : "");
    const std::size_t blocks = ProgramBlocks();
    ASSERT_TRUE(
        check::ReadLineAgrees(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()))
        << round;
    ASSERT_EQ(ReadLines(1), Lines{u"\x04"});
    ASSERT_EQ(ProgramBlocks(), blocks);  // nothing pending is left behind
  }
}

// The program's wait for a line keeps only the line's start, however long it is
// (what it keeps is the random lines' below); a line end whose first byte came
// as the line was cut still ends it.
TEST_F(ConsoleTest, TheWaitForALineKeepsOnlyItsStart) {
  const std::string cutHere(2 * (LineReservation - LowWaterMark) + 1, 'a');
  fake::state.reads = {{std::string(2 * LineReservation - 1, 'a')},
                       {cutHere + "\n"},
                       {'\0' + fake::Utf16Bytes(u"next\n")},
                       {std::string(1 << 22, 'a')}};
  InputLineHook(0);
  EXPECT_EQ(ReadLines(1), Lines{u"next"});
  InputLineHook(0);
  EXPECT_LT(StringWorkspace.capacity, 1 << 16);  // of the 4 MiB read
}

// Console reads in chunks of at most 4,096 units, a final CR LF dropped only
// when it is CR LF, Ctrl-Z alone the end of input; what redirected input left
// pending waits through them, and without a block to keep it the process ends.
TEST_F(ConsoleTest, ConsoleInputGivesEachReadLessItsFinalCrLf) {
  Seeded random;
  fake::state.reads.push_back({fake::Utf16Bytes(u"a\r\nb\n")});
  EXPECT_EQ(ReadLines(1), Lines{u"a"});
  fake::state.inputIsConsole = true;
  const std::u16string endings[] = {u"\r\n", u"\r", u"\n", u"", u"\rb", u"\x1a\r\n"};
  Lines expected;
  for (int chunk = 0; chunk < 200; ++chunk) {
    const auto length = static_cast<std::size_t>(random.OneIn(10) ? random.Between(4090, 9000)
                                                                  : random.Between(0, 5));
    const std::u16string typed = std::u16string(length, u'x') + endings[random.Between(0, 5)];
    if (typed.empty()) continue;  // a console read gives at least one character
    fake::state.typed.push_back(typed);
    for (std::size_t at = 0; at < typed.size(); at += 4096) {
      expected.push_back(reference::ConsoleLine(typed.substr(at, 4096)));
    }
  }
  EXPECT_TRUE(ReadLines(expected.size(), false) == expected);  // lines too long to show
  fake::state.inputIsConsole = false;
  EXPECT_EQ(ReadLines(), (Lines{u"b", u"\x04"}));

  fake::state.reads.push_back({fake::Utf16Bytes(u"c\nd")});
  fake::state.failingCall = fake::state.heapCalls + 1;  // no block for what follows the break
  EXPECT_EQ(fake::ExitCodeOf([] { ReadLine(0); }), 3u);
}

}  // namespace
