// The StringWorkspace against a model of its text and its growth rule, its
// limits, and the block sizes of StringVariables.
#include <string>
#include <vector>

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
  // The characters appended at position 0, and the size of the buffer's block then.
  // clang-format off
  const std::pair<std::size_t, std::size_t> steps[] = {{0, 16}, {5, 16}, {6, 16'406}, {8'195, 16'406},
      {8'196, 16'392 + 16'394}, {1'000'000, 2'016'394}, {1'000'000, 2'016'394}};
  // clang-format on
  for (auto [chars, block] : steps) {
    TruncateWorkspace(0);
    AppendText(Numbered(chars).c_str());
    EXPECT_EQ(fake::BlockBytes(StringWorkspace.buffer), block) << chars;
    EXPECT_EQ(TextAt(0), Numbered(chars));
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
    const auto length = static_cast<std::size_t>(random.Between(0, random.OneIn(20) ? 40'000 : 40));
    const std::u16string text = Numbered(length, static_cast<std::size_t>(step));
    const std::int64_t need = 2 * static_cast<std::int64_t>(model.size() + length);
    if (need >= capacity - 4) capacity = need + 16'384;
    const auto at = static_cast<std::size_t>(random.Between(0, static_cast<long>(model.size())));
    if (random.OneIn(3)) {  // written at an earlier position: the rest is cut
      AppendTextAt(text.c_str(), static_cast<std::int32_t>(2 * at));
      model = model.substr(0, at) + text;
    } else if (random.OneIn(2)) {
      SpaceText(static_cast<std::int32_t>(length), Position());
      model += std::u16string(length, u' ');
    } else {
      AppendText(text.c_str());
      model += text;
    }
    ASSERT_EQ(TextAt(0), model) << "step " << step;
    ASSERT_EQ(StringWorkspace.position, 2 * static_cast<std::int64_t>(model.size()));
    ASSERT_EQ(StringWorkspace.capacity, capacity) << "step " << step;
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

  // A need past 2^31 bytes is refused before the heap is asked; a growth the
  // heap refuses ends the process too.
  const long heapCalls = fake::state.heapCalls;
  EXPECT_EQ(fake::ExitCodeOf([] { ReserveWorkspace((WorkspaceNeedLimit + 2) / 2, 0); }), 3u);
  EXPECT_EQ(fake::state.heapCalls, heapCalls);
  fake::state.failingCall = heapCalls + 1;
  EXPECT_EQ(fake::ExitCodeOf([] { ReserveWorkspace(20'000, 0); }), 3u);
  EXPECT_EQ(fake::state.standardError, "stringchurn: out of memory\nstringchurn: out of memory\n");
}

TEST_F(WorkspaceTest, StringVariablesHoldTheirTextInBlocksOfTwiceTheLengthAndTen) {
  StringVariable variable = nullptr;
  EXPECT_EQ(AssignText(&variable, nullptr), 2);  // null onto null: nothing
  const std::u16string big = Numbered(1'000'000);
  for (const char16_t* text : {big.c_str(), u"", u"hello", big.c_str(), u""}) {
    const long resizes = fake::state.resizes;
    const bool held = variable != nullptr;
    EXPECT_EQ(AssignText(&variable, text),
              2 * static_cast<std::int64_t>(std::u16string(text).size()) + 2);
    EXPECT_EQ(std::u16string(variable), text);
    EXPECT_EQ(fake::BlockBytes(variable), 2 * std::u16string(text).size() + 10);
    EXPECT_EQ(fake::state.resizes, resizes + (held ? 1 : 0));  // a held block is resized
    AppendText(u"pre");
    AppendText(text);
    AssignFromWorkspace(&variable, 6);
    EXPECT_EQ(std::u16string(variable), text);
    EXPECT_EQ(fake::BlockBytes(variable), 2 * std::u16string(text).size() + 10);
    EXPECT_EQ(Position(), 6);
    TruncateWorkspace(0);
  }
  AssignText(&variable, (big + u"tail").c_str());
  EXPECT_EQ(AssignText(&variable, variable + 1'000'000), 10);  // part of its own text
  EXPECT_EQ(AssignText(&variable, variable), 10);
  EXPECT_EQ(std::u16string(variable), u"tail");
  EXPECT_EQ(AssignText(&variable, nullptr), 2);
  EXPECT_EQ(variable, nullptr);
  EXPECT_EQ(StringBlocks(), 1u);  // the workspace buffer
}

}  // namespace
