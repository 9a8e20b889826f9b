// Fields of fixed width: cutting, pad characters, and padding the fragment that
// was just built in place while the workspace buffer moves.
#include <algorithm>
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

// Every short width and length, with the text outside the workspace, at the
// field's own position, before it and after it: the moves may overlap either way.
TEST_F(PadTextTest, ShortFieldsFromEveryPlace) {
  const std::u16string letters = u"abcdefghijklmnopqrstuvwxyz";
  for (std::int32_t width = 0; width <= 20; ++width) {
    for (std::size_t length = 0; length <= 22; ++length) {
      const std::u16string text = letters.substr(0, length);
      const auto kept = std::min(length, static_cast<std::size_t>(width));
      const std::u16string field =
          std::u16string(static_cast<std::size_t>(width) - kept, u'.') + text.substr(0, kept);
      const std::string context = std::to_string(width) + "/" + std::to_string(length);

      // Outside.
      TruncateWorkspace(0);
      AppendText(u"<");
      PadText(text.c_str(), width, u".", Position());
      ASSERT_EQ(TextAt(0), u"<" + field) << "outside " << context;

      // At its own position.
      TruncateWorkspace(0);
      AppendText(u"<");
      AppendText(text.c_str());
      PadText(WorkspaceTextAt(2), width, u".", 2);
      ASSERT_EQ(TextAt(0), u"<" + field) << "at the position " << context;
      ASSERT_EQ(Position(), 2 + 2 * width);

      // Before the position: the text and its NUL stay below the field.
      TruncateWorkspace(0);
      AppendText(text.c_str());
      StringWorkspace.position += 2;
      const std::int32_t after = Position();
      PadText(WorkspaceTextAt(0), width, u".", after);
      ASSERT_EQ(TextAt(after), field) << "before " << context;

      // After the position: the field overwrites the text it is made of.
      TruncateWorkspace(0);
      AppendText(u"<<");
      AppendText(text.c_str());
      PadText(WorkspaceTextAt(4), width, u".", 2);
      ASSERT_EQ(TextAt(0), u"<" + field) << "after " << context;
    }
  }
}

}  // namespace
