// Fields of fixed width: cutting, pad characters, and padding the fragment that
// was just built in place while the workspace buffer moves.
#include <string>

#include "runtime/strings/format.h"
#include "tests/fake/strings_fixture.h"

namespace {

using PadTextTest = WorkspaceTest;

TEST_F(PadTextTest, RightJustifiesOrCutsToExactlyTheWidth) {
  const struct {
    const char16_t* text;
    std::int32_t width;
    std::u16string field;
  } cases[] = {
      {u"123", 7, u"    123"},
      {u"12345678", 7, u"1234567"},
      {u"1234567", 7, u"1234567"},
      {nullptr, 3, u"   "},
      {u"", 3, u"   "},
      {u"abc", 0, u""},
      {u"abc", -5, u""},
      {nullptr, -1, u""},
  };
  for (const auto& c : cases) {
    AppendText(u"x");
    PadLeftText(c.text, c.width, Position());
    EXPECT_EQ(TextAt(2), c.field) << c.width;
    EXPECT_EQ(Position(), 2 + 2 * static_cast<std::int32_t>(c.field.size())) << c.width;
    TruncateWorkspace(0);
  }
}

TEST_F(PadTextTest, OnlyTheFirstCharacterOfThePadTextCountsAndNullMeansASpace) {
  PadText(u"42", 5, u"0", 0);
  EXPECT_EQ(TextAt(0), u"00042");
  PadText(u"42", 5, u"*x", 0);
  EXPECT_EQ(TextAt(0), u"***42");
  PadText(u"42", 5, nullptr, 0);
  EXPECT_EQ(TextAt(0), u"   42");
  EXPECT_EQ(Position(), 10);
}

TEST_F(PadTextTest, PadsTheFragmentAtItsOwnPositionWhileTheBufferMoves) {
  AppendText(u"Pass ");
  const std::int32_t start = Position();
  IntegerText(1234, start);
  const char16_t* before = StringWorkspace.buffer;
  // Wide enough to grow the buffer; the fake moves every resized block.
  PadLeftText(WorkspaceTextAt(start), 20'000, start);
  ASSERT_NE(StringWorkspace.buffer, before);
  EXPECT_EQ(TextAt(0), u"Pass " + std::u16string(19'996, u' ') + u"1234");
  EXPECT_EQ(Position(), start + 40'000);
}

TEST_F(PadTextTest, CutsAFragmentAtItsOwnPositionFromTheLeft) {
  IntegerText(12345678, 0);
  PadLeftText(WorkspaceTextAt(0), 7, 0);
  EXPECT_EQ(TextAt(0), u"1234567");
  EXPECT_EQ(Position(), 14);
}

TEST_F(PadTextTest, FindsAnEarlierWorkspaceTextAgainAfterTheBufferMoved) {
  AppendText(u"abc");
  const std::int32_t start = Position();
  const char16_t* before = StringWorkspace.buffer;
  PadText(WorkspaceTextAt(2), 10'000, u"-", start);  // "bc"
  ASSERT_NE(StringWorkspace.buffer, before);
  EXPECT_EQ(TextAt(start), std::u16string(9'998, u'-') + u"bc");
  EXPECT_EQ(TextAt(0).substr(0, 3), u"abc");
}

}  // namespace
