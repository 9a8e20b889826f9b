// The StringWorkspace against a model of its text and its growth rule, its
// limits, and the block sizes of StringVariables.
#include <climits>
#include <string>

#include "runtime/platform/out_of_memory.h"
#include "runtime/strings/format.h"
#include "runtime/strings/string_variable.h"
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

TEST_F(WorkspaceTest, GrowsByTheNeedAndSixteenKilobytesOnceTheNeedReachesCapacityLessFour) {
  EXPECT_EQ(fake::BlockBytes(StringWorkspace.buffer), 16u);
  const struct {
    std::int32_t chars;  // reserved at position 0
    std::size_t block;   // the buffer's size afterwards
  } steps[] = {{5, 16},
               {6, 16'406},
               {8'195, 16'406},
               {8'196, 16'392 + 16'394},
               {1'000'000, 2'016'394},
               {1'000'000, 2'016'394}};
  for (const auto& step : steps) {
    TruncateWorkspace(0);
    AppendText(Numbered(step.chars).c_str());
    EXPECT_EQ(fake::BlockBytes(StringWorkspace.buffer), step.block) << step.chars;
    EXPECT_EQ(TextAt(0), Numbered(step.chars));
  }
}

// Appends, overwrites and cuts at random places, texts short and long, and
// compares the text and the capacity with the rule after every step.
TEST_F(WorkspaceTest, KeepsItsTextWhileItGrowsAndMoves) {
  Seeded random;
  std::u16string model;
  std::int64_t capacity = 16;
  for (int step = 0; step < 300; ++step) {
    if (model.size() > 100'000) model.clear(), TruncateWorkspace(0);
    const auto length = static_cast<std::size_t>(random.OneIn(20) ? random.Between(0, 40'000)
                                                                  : random.Between(0, 40));
    const std::u16string text = Numbered(length, static_cast<std::size_t>(step));
    const std::int64_t need = 2 * static_cast<std::int64_t>(model.size() + length);
    if (need >= capacity - 4) capacity = need + 16'384;
    switch (random.Between(0, 2)) {
      case 0: {  // written at an earlier position: the rest is cut
        const auto at =
            static_cast<std::size_t>(random.Between(0, static_cast<long>(model.size())));
        AppendTextAt(text.c_str(), static_cast<std::int32_t>(2 * at));
        model = model.substr(0, at) + text;
        break;
      }
      case 1:
        SpaceText(static_cast<std::int32_t>(length), Position());
        model += std::u16string(length, u' ');
        break;
      default:
        AppendText(text.c_str());
        model += text;
    }
    ASSERT_EQ(TextAt(0), model) << "step " << step;
    ASSERT_EQ(StringWorkspace.position, 2 * static_cast<std::int64_t>(model.size()));
    ASSERT_EQ(StringWorkspace.capacity, capacity) << "step " << step;
  }
}

TEST_F(WorkspaceTest, PositionsAndOffsets) {
  AppendText(u"abcd");
  EXPECT_EQ(ReserveWorkspace(0, 2), StringWorkspace.buffer + 1);
  EXPECT_EQ(Position(), 2);
  AppendText(nullptr);  // only the terminator
  EXPECT_EQ(TextAt(0), u"a");
  AppendTextAt(nullptr, 0);
  EXPECT_EQ(Position(), 0);
  IntegerText(123, 0);
  ReleaseWorkspace(2);
  EXPECT_EQ(Position(), 2);

  const char16_t* buffer = StringWorkspace.buffer;
  EXPECT_EQ(WorkspaceOffsetOf(buffer), 1);
  EXPECT_EQ(WorkspaceOffsetOf(buffer + 1), 3);  // the position itself is inside
  EXPECT_EQ(WorkspaceOffsetOf(buffer + 2), 0);
  EXPECT_EQ(WorkspaceOffsetOf(nullptr), 0);
  EXPECT_EQ(WorkspaceOffsetOf(u"1"), 0);
  ReserveWorkspace(10'000, Position());  // the fake moves every resized block
  EXPECT_NE(StringWorkspace.buffer, buffer);
  EXPECT_EQ(*WorkspacePointerAt(1), u'1');
}

TEST_F(WorkspaceTest, ANeedPastTwoGigabytesOrAGrowthTheHeapRefusesEndsTheProcess) {
  const long heapCalls = fake::state.heapCalls;
  EXPECT_EQ(fake::ExitCodeOf([] { ReserveWorkspace((WorkspaceNeedLimit + 2) / 2, 0); }),
            OutOfMemoryExitCode);
  EXPECT_EQ(fake::state.heapCalls, heapCalls);  // refused before the heap was asked
  fake::state.failingCall = fake::state.heapCalls + 1;
  EXPECT_EQ(fake::ExitCodeOf([] { AppendText(u"more than twelve bytes"); }), OutOfMemoryExitCode);
  EXPECT_EQ(fake::state.standardError, "stringchurn: out of memory\nstringchurn: out of memory\n");
}

TEST_F(WorkspaceTest, StringVariablesHoldTheirTextInBlocksOfTwiceTheLengthAndTen) {
  StringVariable variable = nullptr;
  EXPECT_EQ(AssignText(&variable, nullptr), 2);  // null onto null: nothing
  EXPECT_EQ(variable, nullptr);
  const std::u16string big(1'000'000, u' ');
  const struct {
    const char16_t* text;
    std::int64_t result;
  } assignments[] = {{big.c_str(), 2'000'002}, {u"", 2}, {u"hello", 12}, {big.c_str(), 2'000'002}};
  for (const auto& a : assignments) {
    const long resizes = fake::state.resizes;
    const bool held = variable != nullptr;
    EXPECT_EQ(AssignText(&variable, a.text), a.result);
    EXPECT_EQ(std::u16string(variable), a.text);
    EXPECT_EQ(fake::BlockBytes(variable), static_cast<std::size_t>(a.result + 8));
    EXPECT_EQ(fake::state.resizes, resizes + (held ? 1 : 0));  // a held block is resized
  }
  EXPECT_EQ(AssignText(&variable, nullptr), 2);
  EXPECT_EQ(variable, nullptr);
  EXPECT_EQ(StringBlocks(), 1u);  // the workspace buffer

  AppendText(u"prefix");
  const std::int32_t p = Position();
  for (const char16_t* text : {u"hello", u""}) {
    AppendText(text);
    AssignFromWorkspace(&variable, p);
    EXPECT_EQ(std::u16string(variable), text);
    EXPECT_EQ(fake::BlockBytes(variable), 2 * std::u16string(text).size() + 10);
    EXPECT_EQ(Position(), p);
  }
}

TEST_F(WorkspaceTest, AssignTextTakesPartOfTheVariablesOwnText) {
  const std::u16string text = Numbered(5000) + u"tail";
  StringVariable variable = nullptr;
  AssignText(&variable, text.c_str());
  EXPECT_EQ(AssignText(&variable, variable + 5000), 10);
  EXPECT_EQ(std::u16string(variable), u"tail");
  AssignText(&variable, variable);
  EXPECT_EQ(std::u16string(variable), u"tail");
}

}  // namespace
