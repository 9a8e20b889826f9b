// The StringWorkspace against a model of its text and its growth rule, the
// blocks of StringVariables, the text routines at every vector width against a
// character loop, and the formatting operations against std::to_chars.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "runtime/strings/format.h"
#include "runtime/strings/string_variable.h"
#include "runtime/strings/text.h"
#include "tests/checks.h"
#include "tests/fixture.h"

namespace {

using WorkspaceTest = RuntimeTest;

// A text whose characters differ from their neighbours, so that a piece copied
// to the wrong place shows.
std::u16string Numbered(std::size_t length, std::size_t from = 0) {
  std::u16string text(length, u' ');
  for (std::size_t i = 0; i < length; ++i)
    text[i] = static_cast<char16_t>(u'A' + (from + i) % 7919);
  return text;
}

// Appends, overwrites and cuts at random places, texts short and long, texts
// that end right at the room the buffer has and texts from the workspace
// itself, and compares the text, the capacity and the block with the rule after
// every step: a need of the capacity less 4 or more grows the block once, to the
// need and 16 KiB (and 10 bytes of slack).
TEST_F(WorkspaceTest, KeepsItsTextWhileItGrowsByTheRule) {
  Seeded random;
  std::u16string model;
  std::int64_t capacity = 16;
  for (int step = 0; step < 1000; ++step) {
    if (model.size() > 100'000) {
      model.clear();
      TruncateWorkspace(0);
    }
    auto length = static_cast<std::size_t>(random.Between(0, random.OneIn(20) ? 40'000 : 40));
    const auto room = static_cast<std::size_t>(capacity - 4) / 2 - model.size();
    if (random.OneIn(3) && room > 0) length = room - static_cast<std::size_t>(random.Between(0, 1));
    const bool inside = random.OneIn(5) && length <= model.size();
    const std::u16string text = inside ? model.substr(model.size() - length)
                                       : Numbered(length, static_cast<std::size_t>(step));
    const char16_t* from = inside ? WorkspaceTextAt(2 * (model.size() - length)) : text.c_str();
    const std::int64_t need = 2 * static_cast<std::int64_t>(model.size() + length);
    const long resizes = fake::state.resizes;
    const bool grows = need >= capacity - 4;
    if (grows) capacity = need + 16'384;
    const auto at = static_cast<std::size_t>(random.Between(0, static_cast<long>(model.size())));
    if (random.OneIn(4)) {  // written at an earlier position: the rest is cut
      AppendTextAt(from, static_cast<std::int32_t>(2 * at));
      model = model.substr(0, at) + text;
    } else if (random.OneIn(3)) {
      SpaceText(static_cast<std::int32_t>(length), WorkspacePosition());
      model += std::u16string(length, u' ');
    } else {
      AppendText(from);
      model += text;
    }
    ASSERT_EQ(check::WrittenAt(0), model) << "step " << step;
    ASSERT_EQ(StringWorkspace.capacity, capacity) << "step " << step;
    ASSERT_EQ(fake::BlockBytes(StringWorkspace.buffer), capacity == 16 ? 16 : capacity + 10);
    ASSERT_EQ(fake::state.resizes - resizes, grows ? 1 : 0);
  }
}

TEST_F(WorkspaceTest, PositionsOffsetsAndLimits) {
  AppendText(u"abcd");
  EXPECT_EQ(ReserveWorkspace(0, 2), StringWorkspace.buffer + 1);
  AppendText(nullptr);  // only the terminator
  AppendTextAt(u"23", 0);
  ReleaseWorkspace(1);
  EXPECT_EQ(TextAt(0), u"23");
  const char16_t* buffer = StringWorkspace.buffer;
  EXPECT_EQ(std::vector<std::int64_t>({WorkspaceOffsetOf(buffer), WorkspaceOffsetOf(buffer + 1),
                                       WorkspaceOffsetOf(buffer + 2), WorkspaceOffsetOf(u"2")}),
            (std::vector<std::int64_t>{1, 3, 0, 0}));  // the position itself is inside
  ReserveWorkspace(10'000, 0);                         // the fake moves every resized block
  EXPECT_EQ(*WorkspacePointerAt(3), u'3');

  // A need past 2^31 bytes is refused before the heap is asked. (A growth the
  // heap refuses is one of the run's failing heap calls.)
  const long heapCalls = fake::state.heapCalls;
  EXPECT_EQ(fake::ExitCodeOf([] { ReserveWorkspace((WorkspaceNeedLimit + 2) / 2, 0); }), 3u);
  EXPECT_EQ(fake::state.heapCalls, heapCalls);
}

TEST_F(WorkspaceTest, StringVariablesHoldTheirTextInBlocksOfTwiceTheLengthAndTen) {
  StringVariable variable = nullptr;
  EXPECT_EQ(AssignText(&variable, nullptr), 2);  // null onto null: nothing
  const std::u16string big = Numbered(1'000'000);
  for (const char16_t* text : {big.c_str(), u"", u"hello", big.c_str(), u""}) {
    const std::size_t length = std::u16string(text).size();
    EXPECT_EQ(AssignText(&variable, text), 2 * static_cast<std::int64_t>(length) + 2);
    for (int twice = 0; twice < 2; ++twice) {
      EXPECT_EQ(std::u16string(variable), text);
      EXPECT_EQ(fake::BlockBytes(variable), 2 * length + 10);
      AppendText(u"pre");
      AppendText(text);
      AssignFromWorkspace(&variable, 6);
      EXPECT_EQ(WorkspacePosition(), 6);
      TruncateWorkspace(0);
    }
  }
  AssignText(&variable, (big + u"tail").c_str());
  EXPECT_EQ(AssignText(&variable, variable + 1'000'000), 10);  // part of its own text
  EXPECT_EQ(AssignText(&variable, variable), 10);
  EXPECT_EQ(std::u16string(variable), u"tail");
  EXPECT_EQ(AssignText(&variable, nullptr), 2);
  EXPECT_EQ(variable, nullptr);
  EXPECT_EQ(StringBlocks(), 2u);  // the workspace buffer, and the large block the heap kept
}

// Measuring and copying texts of up to 300 characters, at every vector width
// this processor has, as a character loop does.
TEST(TextTest, MeasuresAndCopiesAsACharacterLoopDoes) {
  check::Replay(check::TextAgrees, 20'000, 500);
}

// Which width is chosen only shows in the speed; that it runs on this processor
// shows here, and under the emulated processors of the qemu tests.
TEST(TextVectorsTest, SixteenBytesAlwaysAndOnlyTheThreeWidths) {
  EXPECT_TRUE(SetTextVectorBytes(16));
  EXPECT_EQ(TextVectorBytes(), 16);
  EXPECT_FALSE(SetTextVectorBytes(8));
  EXPECT_FALSE(SetTextVectorBytes(128));
  EXPECT_TRUE(SetTextVectorBytes(0));
  EXPECT_TRUE(TextVectorWidthAvailable(TextVectorBytes()));
  EXPECT_NE(TextVectorBytes(), 64);  // the widest only when asked for
  // A width set (on another thread) while the first use asks the processor stays.
  SetTextVectorBytes(0);
  fake::state.askingProcessor = [] { SetTextVectorBytes(16); };
  EXPECT_EQ(TextVectorBytes(), 16);
  SetTextVectorBytes(0);
}

using FormatTest = RuntimeTest;

// FormatGrouped, PadText and IntegerText, at every vector width, against
// std::to_chars: values of every magnitude and the special ones, decimals and
// widths at and beyond their bounds, usual, long and odd texts, also lying in
// the workspace where the result goes.
TEST_F(FormatTest, EveryOperationAgreesWithToChars) {
  check::Replay(check::FormatAgrees, 5000, 80);
  char16_t digits[24];
  EXPECT_EQ(std::u16string(UnsignedToDecimal(digits, UINT64_MAX)), u"18446744073709551615");
}

// The worked examples of the formatting design.
TEST_F(FormatTest, TheWorkedExamplesComeOutAsDesigned) {
  const double kInfinity = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    std::int32_t decimals;
    const char16_t* point;
    const char16_t* separator;
    const char16_t* text;
  } examples[] = {
      {1234567.891, 2, u".", u",", u"1,234,567.89"},
      {1234567, 0, u",", u".", u"1.234.567"},
      {12345, 0, u",", u".", u"12.345"},
      {-1234, 0, u".", u",", u"-1,234"},
      {123456, 0, u".", u",", u"123,456"},
      {-123456, 0, u".", u",", u"-123,456"},
      {-123, 0, u".", u",", u"-123"},
      {1000, 0, u".", u",", u"1,000"},
      {999, 0, u".", u",", u"999"},
      {999, 2, u".", u",", u"999.00"},
      {0, 2, u".", u",", u"0.00"},
      {-0.0, 0, u".", u",", u"0"},
      {-0.0, 2, u".", u",", u"0.00"},
      {-0.001, 2, u".", u",", u"-0.00"},
      {1234.5678, -3, u".", u",", u"1,235"},
      {1234.5, 1, u"", u",", u"1,2345"},
      {1234567, 0, u".", u" - ", u"1 - 234 - 567"},
      {-1000, 0, u".", u"", u"-1000"},
      {1e21, 0, u".", u",", u"1,000,000,000,000,000,000,000"},
      {kInfinity, 7, u":", u"", u"+Infinity"},
      {-kInfinity, -1, nullptr, u"x", u"-Infinity"},
      {std::nan(""), 600, u"", nullptr, u"NaN"},
  };
  for (const auto& example : examples) {
    FormatGrouped(example.value, example.decimals, example.point, example.separator, 0);
    EXPECT_EQ(TextAt(0), example.text);
  }
}

// The shorter forms: "." and "," unless given; no point or separator for null.
TEST_F(FormatTest, TheShorterFormsTakeTheUsualTexts) {
  FormatGrouped(1234.5, 0);
  FormatGrouped(1234.5, 1, WorkspacePosition());
  FormatGrouped(1234.5, 1, u":", WorkspacePosition());
  FormatGrouped(-1234567.25, 2, nullptr, nullptr, WorkspacePosition());
  EXPECT_EQ(TextAt(0), u"1,234.501,234.51,234:5-123456725");
  TruncateWorkspace(0);
  PadText(nullptr, 3, nullptr, 0);
  PadLeftText(u"12345678", 7, 6);
  EXPECT_EQ(TextAt(0), u"   1234567");
  SpaceText(-3, 0);
  EXPECT_EQ(WorkspacePosition(), 0);
}

}  // namespace
