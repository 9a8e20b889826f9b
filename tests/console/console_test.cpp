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

namespace {

using ConsoleTest = RuntimeTest;
using Lines = std::vector<std::u16string>;

// `count` lines, each read behind a text that must survive and checked to end on
// its NUL at the workspace position.
Lines ReadLines(std::size_t count) {
  Lines lines;
  while (lines.size() < count) {
    TruncateWorkspace(0);
    AppendText(u"kept");
    const std::int64_t length = ReadLine(8);
    lines.emplace_back(WorkspaceTextAt(8), length);
    EXPECT_EQ(WorkspacePosition(), 8 + 2 * length);
    EXPECT_EQ(WorkspaceTextAt(0), u"kept" + lines.back());
  }
  return lines;
}

// A failed write's reason, and lines of several pieces (the last of them full),
// of none and of the most that one write takes on the console, with no heap
// block to be had; a surrogate pair where a piece ends waits for the next piece
// whole.
TEST_F(ConsoleTest, PrintLineWritesTheLineAndCrLfAsTextOrRawUtf16) {
  fake::state.writeError = fake::NoSpace;
  EXPECT_EQ(PrintLine(u"lost"), fake::NoSpace);
  fake::state.outputIsConsole = true;
  fake::state.failingCall = fake::state.heapCalls + 1;
  std::u16string line(16'374, u'\u00e9');
  line.replace(4093, 2, u"\xD800\xDC00");
  line.replace(8186, 2, u"\xDBFF\xDFFF");
  const std::u16string fits(4094, u'\u00e9');
  PrintLine(nullptr);
  EXPECT_EQ(PrintLine(line.c_str()), 0);
  PrintLine(fits.c_str());
  EXPECT_EQ(fake::state.consoleText, u"\r\n" + line + u"\r\n" + fits + u"\r\n");
  EXPECT_EQ(fake::state.consoleWrites, 6u);  // 1, then 4 pieces, then 1
}

// Random UTF-16 text of lines of any length, with every kind of line break,
// units that hold a CR or LF byte without being one, and reads of any size,
// odd ones too, failures between them. The first rounds end reads between a CR
// and its LF, and inside the LF: "a\r|\nb\r|\n|\nc".
TEST_F(ConsoleTest, RedirectedInputGivesTheLinesOfTheReferenceWhereverTheReadsFall) {
  Seeded random;
  const std::string crLfCuts[] = {"\x03\x03\x05\x01", "\x02\x03\x06"};
  const char16_t alphabet[] = {u'a', u'\r', u'\n', 0x0D00, 0x0A0A, 0x00E9, 0xD83D, u'\x1a'};
  const std::size_t blocks = ProgramBlocks();
  for (int round = 0; round < 300; ++round) {
    std::string bytes(1, static_cast<char>(random.Between(0, 15)));
    for (int cut = 0; cut < bytes[0]; ++cut) bytes += static_cast<char>(random.Between(0, 255));
    std::u16string text;
    for (long units = random.Between(0, random.OneIn(10) ? 800 : 4); units > 0; --units) {
      const char16_t unit = alphabet[random.Between(0, 7)];
      // Now and then a line longer than ReadLine's first reservation.
      const long run = !random.OneIn(200) ? random.Between(1, 200)
                       : random.OneIn(2)  ? random.Between(LineReservation - 1, LineReservation + 1)
                                          : random.Between(4000, 12'000);
      text.append(unit == u'a' ? static_cast<std::size_t>(run) : 1, unit);
    }
    bytes += fake::Utf16Bytes(text) + (random.OneIn(4) ? "z" : "");
    if (round < 2) bytes = crLfCuts[round] + fake::Utf16Bytes(u"a\r\nb\r\n\nc");
    ASSERT_TRUE(
        check::ReadLineAgrees(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  }
  EXPECT_EQ(ProgramBlocks(), blocks);  // nothing pending is left behind
}

// The program's wait for a line keeps only the line's start, however long it is
// (what it keeps is the random lines' above); a line end whose first byte came
// as the line was cut still ends it.
TEST_F(ConsoleTest, TheWaitForALineKeepsOnlyItsStart) {
  const std::string cutHere(2 * (LineReservation - LowWaterMark) + 1, 'a');
  fake::state.reads = {
      {std::string((1 << 22) - 1, 'a')}, {cutHere + "\n"}, {'\0' + fake::Utf16Bytes(u"next\n")}};
  InputLineHook(0);
  EXPECT_LT(StringWorkspace.capacity, 1 << 16);  // of a 4 MiB line
  EXPECT_EQ(ReadLines(1), Lines{u"next"});
}

// A console read is a line less its final CR LF, in chunks of at most 4,096
// units, Ctrl-Z alone the end of input; what redirected input left pending waits
// through them, the end of input stays, and without a block to keep what
// follows a break the process ends.
TEST_F(ConsoleTest, ConsoleInputGivesEachReadLessItsFinalCrLf) {
  fake::state.reads = {{fake::Utf16Bytes(u"a\r\nb\n")}};
  ReadLine(0);
  fake::state.inputIsConsole = true;
  const std::u16string cutBeforeLf(LineReservation - 1, u'x');
  fake::state.typed = {u"\r\n", u"\rb", u"\x1a\r\n", u"\x1a\r", cutBeforeLf + u"\r\n"};
  EXPECT_EQ(ReadLines(6), (Lines{u"", u"\rb", u"\x04", u"\x1a\r", cutBeforeLf + u'\r', u"\n"}));
  fake::state.inputIsConsole = false;
  EXPECT_EQ(ReadLines(3), (Lines{u"b", u"\x04", u"\x04"}));

  fake::state.reads = {{fake::Utf16Bytes(u"c\nd")}};
  fake::state.failingCall = fake::state.heapCalls + 1;
  EXPECT_EQ(fake::ExitCodeOf([] { ReadLine(0); }), 3u);
}

}  // namespace
