// Integers and runs of spaces: every digit count, both extremes, and where the
// workspace position ends.
#include <climits>
#include <string>

#include "runtime/strings/format.h"
#include "tests/fake/strings_fixture.h"

namespace {

using IntegerTextTest = WorkspaceTest;

TEST_F(IntegerTextTest, WritesTheDecimalTextAndEndsOnItsTerminator) {
  const struct {
    std::int64_t value;
    std::u16string text;
  } cases[] = {
      {0, u"0"},
      {-1, u"-1"},
      {7, u"7"},
      {-10, u"-10"},
      {83, u"83"},
      {1'000'000, u"1000000"},
      {INT64_MAX, u"9223372036854775807"},
      {INT64_MIN, u"-9223372036854775808"},
  };
  for (const auto& c : cases) {
    AppendText(u"x");
    IntegerText(c.value, Position());
    EXPECT_EQ(TextAt(2), c.text) << c.value;
    EXPECT_EQ(Position(), 2 + 2 * static_cast<std::int32_t>(c.text.size())) << c.value;
    TruncateWorkspace(0);
  }
}

TEST(DecimalTest, EveryDigitCountAndBothExtremes) {
  char16_t text[24];
  std::uint64_t power = 1;
  for (int digits = 1; digits <= 20; ++digits) {
    // power = 10^(digits-1): "1" then zeros; power - 1: all nines, one digit fewer.
    std::u16string oneAndZeros(static_cast<std::size_t>(digits), u'0');
    oneAndZeros[0] = u'1';
    EXPECT_EQ(std::u16string(UnsignedToDecimal(text, power)), oneAndZeros) << digits;
    if (digits > 1) {
      EXPECT_EQ(std::u16string(UnsignedToDecimal(text, power - 1)),
                std::u16string(static_cast<std::size_t>(digits - 1), u'9'));
    }
    if (digits < 20) power *= 10;
  }
  EXPECT_EQ(std::u16string(UnsignedToDecimal(text, UINT64_MAX)), u"18446744073709551615");
  EXPECT_EQ(std::u16string(UnsignedToDecimal(text, 0)), u"0");
  EXPECT_EQ(SignedToDecimal(text, INT64_MIN), text);
  EXPECT_EQ(std::u16string(text), u"-9223372036854775808");
}

using SpaceTextTest = WorkspaceTest;

TEST_F(SpaceTextTest, ACountOfZeroOrBelowWritesOnlyTheTerminator) {
  for (std::int32_t count : {0, -3, INT32_MIN}) {
    AppendText(u"ab");
    SpaceText(count, 4);
    EXPECT_EQ(TextAt(0), u"ab") << count;
    EXPECT_EQ(Position(), 4) << count;
    TruncateWorkspace(0);
  }
}

TEST_F(SpaceTextTest, WritesTheSpacesAtThePosition) {
  AppendText(u"abcdef");
  SpaceText(3, 2);
  EXPECT_EQ(TextAt(0), u"a   ");
  EXPECT_EQ(Position(), 8);
}

TEST_F(SpaceTextTest, AMillionSpacesGrowTheWorkspaceOnce) {
  SpaceText(1'000'000, 0);
  EXPECT_EQ(TextAt(0), std::u16string(1'000'000, u' '));
  EXPECT_EQ(Position(), 2'000'000);
  EXPECT_EQ(StringWorkspace.capacity, 2'016'384);
}

}  // namespace
