// The formatting operations against texts built from std::to_chars, over random
// values of every magnitude and random texts, some of them lying in the
// workspace while it moves; and the worked examples of grouped numbers.
#include "runtime/strings/format.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "tests/fixture.h"
#include "tests/reference.h"

namespace {

using FormatTest = RuntimeTest;
using reference::Widen;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

std::u16string Text(const char16_t* text) {
  return text == nullptr ? u"" : text;
}

// A value of a random magnitude, sometimes one of the edges: powers of ten and
// one below them, the 64-bit extremes.
std::int64_t RandomInteger(Seeded& random) {
  std::int64_t value = random.Between(LONG_MIN, LONG_MAX) >> random.Between(0, 63);
  if (random.OneIn(4)) {
    value = 1;
    for (long k = random.Between(0, 18); k > 0; --k) value *= 10;
    value -= random.Between(0, 1);
    if (random.OneIn(2)) value = -value;
  }
  if (random.OneIn(20)) value = random.OneIn(2) ? LLONG_MIN : LLONG_MAX;
  return value;
}

TEST_F(FormatTest, IntegersHaveTheDigitsOfToChars) {
  Seeded random;
  for (int i = 0; i < 3000; ++i) {
    const std::int64_t value = RandomInteger(random);
    TruncateWorkspace(0);
    AppendText(u"x");
    IntegerText(value, 2);
    ASSERT_EQ(TextAt(0), u"x" + reference::Integer(value)) << value;
    ASSERT_EQ(Position(), 2 * static_cast<std::int32_t>(TextAt(0).size()));
    char16_t digits[24];
    const auto magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : value;
    ASSERT_EQ(std::u16string(UnsignedToDecimal(digits, magnitude)),
              Widen(std::to_string(magnitude)));
  }
}

// Fields of random widths, pad texts and texts; the text lies outside the
// workspace, is the fragment at the field's own position, or lies before or
// after it (the moves overlap either way); wide fields move the buffer.
TEST_F(FormatTest, FieldsAreTheTextCutOrPaddedOnTheLeft) {
  Seeded random;
  const char16_t* pads[] = {nullptr, u"", u" ", u"0", u"*x"};
  for (int i = 0; i < 3000; ++i) {
    const std::u16string text =
        Widen(std::string("abcdefghijklmnopqrstuvwxyz0123")
                  .substr(0, static_cast<std::size_t>(random.Between(0, 30))));
    const auto width = static_cast<std::int32_t>(random.OneIn(50) ? random.Between(9000, 9100)
                                                                  : random.Between(-3, 30));
    const char16_t* pad = pads[random.Between(0, 4)];
    TruncateWorkspace(0);
    AppendText(u"<<");
    std::int32_t field = Position();
    const bool null = random.OneIn(8);
    const char16_t* source = null ? nullptr : text.c_str();
    switch (null ? 0 : random.Between(0, 3)) {
      case 1:  // the fragment just built at the field's position
        AppendText(source), source = WorkspaceTextAt(field);
        break;
      case 2:  // an earlier workspace text; its NUL stays below the field
        AppendText(source), source = WorkspaceTextAt(field), field = Position() + 2;
        StringWorkspace.position = field;
        break;
      case 3:  // a text behind the field's position, overwritten as it is moved
        AppendText(source), source = WorkspaceTextAt(field), field -= 2;
    }
    if (pad != nullptr && std::u16string(pad) == u" " && random.OneIn(2)) {
      PadLeftText(source, width, field);
    } else {
      PadText(source, width, pad, field);
    }
    const std::u16string expected =
        reference::Pad(null ? u"" : text, width, pad == nullptr ? u' ' : pad[0]);
    ASSERT_EQ(std::u16string(WorkspaceTextAt(field), expected.size()), expected)
        << "width " << width << ", text " << std::string(text.begin(), text.end());
    ASSERT_EQ(Position(), field + 2 * static_cast<std::int32_t>(expected.size()));
    ASSERT_EQ(*WorkspaceTextAt(Position()), u'\0');
    ASSERT_EQ(TextAt(0).substr(0, 1), u"<");
  }
}

double RandomDouble(Seeded& random) {
  switch (random.Between(0, 5)) {
    case 0:
      return static_cast<double>(RandomInteger(random));
    case 1:  // halfway between two whole numbers
      return static_cast<double>(random.Between(-100'000, 100'000)) + 0.5;
    case 2:
      return std::ldexp(random.OneIn(2) ? 1.0 : -1.0, static_cast<int>(random.Between(62, 64)));
    case 3: {
      const double specials[] = {0.0,           -0.0,    kInfinity,    -kInfinity, std::nan(""),
                                 -std::nan(""), DBL_MAX, DBL_TRUE_MIN, 0.125,      1e21};
      return specials[random.Between(0, 9)];
    }
    default: {
      std::uint64_t bits = static_cast<std::uint64_t>(random.Between(LONG_MIN, LONG_MAX));
      double value;
      std::memcpy(&value, &bits, sizeof value);
      return value;
    }
  }
}

// Random values, decimals (also outside 0..512) and point and separator texts,
// some long enough to make results of thousands of characters, some lying in
// the workspace below or at the result's own position.
TEST_F(FormatTest, GroupedNumbersAreTheFixedConversionGrouped) {
  Seeded random;
  const std::u16string texts[] = {u"", u".", u",", u" - ", std::u16string(700, u'_')};
  for (int i = 0; i < 3000; ++i) {
    const double value = RandomDouble(random);
    const auto decimals = static_cast<std::int32_t>(random.OneIn(30) ? random.Between(400, 700)
                                                                     : random.Between(-3, 20));
    const char16_t* point = random.OneIn(6) ? nullptr : texts[random.Between(0, 4)].c_str();
    const char16_t* separator = random.OneIn(6) ? nullptr : texts[random.Between(0, 4)].c_str();
    const std::u16string expected =
        reference::Grouped(value, decimals, Text(point), Text(separator));
    TruncateWorkspace(0);
    AppendText(u"<");
    std::int32_t at = Position();
    if (random.OneIn(3)) {  // the texts in the workspace, where the result may go
      const std::u16string pointText = Text(point), separatorText = Text(separator);
      AppendText(separatorText.c_str());
      const std::int32_t pointAt = Position() + 2;
      AppendTextAt(pointText.c_str(), pointAt);
      separator = separator == nullptr ? nullptr : WorkspaceTextAt(at);
      point = point == nullptr ? nullptr : WorkspaceTextAt(pointAt);
      if (random.OneIn(2)) at = Position();
    }
    FormatGrouped(value, decimals, point, separator, at);
    ASSERT_EQ(TextAt(at), expected) << value << " with " << decimals << " decimals";
    ASSERT_EQ(Position(), at + 2 * static_cast<std::int32_t>(expected.size()));
    ASSERT_EQ(TextAt(0).substr(0, 1), u"<");
  }
}

TEST_F(FormatTest, GroupedWorkedExamplesAndShorterForms) {
  const struct {
    double value;
    std::int32_t decimals;
    const char16_t* point;
    const char16_t* separator;
    const char16_t* result;
  } rows[] = {
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
      {kInfinity, 3, u".", u",", u"+Infinity"},
      {-kInfinity, 3, u".", u",", u"-Infinity"},
      {std::nan(""), 3, u".", u",", u"NaN"},
      {2.5, 0, u".", u",", u"2"},
  };
  for (const auto& row : rows) {
    FormatGrouped(row.value, row.decimals, row.point, row.separator, 0);
    EXPECT_EQ(TextAt(0), row.result) << row.value;
  }
  FormatGrouped(1234.5, 0);
  EXPECT_EQ(TextAt(0), u"1,234.50");
  FormatGrouped(1234.5, 1, 0);
  EXPECT_EQ(TextAt(0), u"1,234.5");
  FormatGrouped(1234.5, 1, u":", 0);
  EXPECT_EQ(TextAt(0), u"1,234:5");
  SpaceText(-3, 0);
  EXPECT_EQ(Position(), 0);
}

}  // namespace
