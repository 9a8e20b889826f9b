// Grouped decimal numbers: the worked examples, the shorter forms, clamping,
// signs of zero, special values, exact digits, and results of any length.
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "runtime/strings/format.h"
#include "tests/fake/strings_fixture.h"

namespace {

using FormatGroupedTest = WorkspaceTest;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct Row {
  double value;
  std::int32_t decimals;
  const char16_t* point;
  const char16_t* separator;
  std::u16string result;
};

// Writes each row after a one-character fragment and checks the text and that
// the position ends on its terminator.
void ExpectRows(std::initializer_list<Row> rows) {
  for (const auto& row : rows) {
    AppendTextAt(u"x", 0);
    FormatGrouped(row.value, row.decimals, row.point, row.separator, 2);
    const std::u16string written = WorkspaceTextAt(2);
    EXPECT_EQ(written, row.result) << row.value << " with " << row.decimals << " decimals";
    EXPECT_EQ(StringWorkspace.position, 2 + 2 * static_cast<std::int64_t>(written.size()));
  }
}

TEST_F(FormatGroupedTest, WorkedExamples) {
  ExpectRows({
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
  });
}

TEST_F(FormatGroupedTest, InfinitiesAndNaNIgnoreEveryOtherArgument) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  ExpectRows({
      {kInfinity, 600, nullptr, u"", u"+Infinity"},
      {-kInfinity, -1, u"", nullptr, u"-Infinity"},
      {nan, 2, u".", u",", u"NaN"},
      {-nan, 0, u".", u",", u"NaN"},
      {std::numeric_limits<double>::signaling_NaN(), 3, u".", u",", u"NaN"},
  });
}

TEST_F(FormatGroupedTest, NullTextsPutNothing) {
  ExpectRows({
      {-1234567.25, 2, nullptr, nullptr, u"-123456725"},
      {1234.5, 1, u".", nullptr, u"1234.5"},
  });
}

TEST_F(FormatGroupedTest, DecimalsAreClampedToZeroAndFiveHundredTwelve) {
  FormatGrouped(1.5, 600, 0);
  const std::u16string above = WorkspaceTextAt(0);
  FormatGrouped(1.5, 512, 0);
  EXPECT_EQ(above, WorkspaceTextAt(0));
  EXPECT_EQ(above, u"1." + std::u16string(u"5") + std::u16string(511, u'0'));
  ExpectRows({{1.5, -1, u".", u",", u"2"}, {1.5, INT32_MIN, u".", u",", u"2"}});
}

// Exact, correctly rounded digits (halfway cases to even), whatever the platform.
TEST_F(FormatGroupedTest, DigitsAreExactAndCorrectlyRounded) {
  ExpectRows({
      {0.1, 30, u".", u",", u"0.100000000000000005551115123126"},
      {0.125, 2, u".", u",", u"0.12"},
      {2.5, 0, u".", u",", u"2"},
      {-0.5, 0, u".", u",", u"-0"},
      {DBL_MAX, 0, u".", u",",
       u"179,769,313,486,231,570,814,527,423,731,704,356,798,070,567,525,844,996,598,917,476,803,"
       u"157,260,780,028,538,760,589,558,632,766,878,171,540,458,953,514,382,464,234,321,326,889,"
       u"464,182,768,467,546,703,537,516,986,049,910,576,551,282,076,245,490,090,389,328,944,075,"
       u"868,508,455,133,942,304,583,236,903,222,948,165,808,559,332,123,348,274,797,826,204,144,"
       u"723,168,738,177,180,919,299,881,250,404,026,184,124,858,368"},
  });
  // The smallest subnormal with 512 decimals: 323 zeros, then the rounded digits.
  FormatGrouped(4.9406564584124654e-324, 512, 0);
  const std::u16string tiny = WorkspaceTextAt(0);
  ASSERT_EQ(tiny.size(), 514u);
  EXPECT_EQ(tiny.substr(0, 325), u"0." + std::u16string(323, u'0'));
  EXPECT_EQ(tiny.substr(325, 12), u"494065645841");
  EXPECT_EQ(tiny.substr(502), u"845817167849");
}

// Whole numbers take the integer conversion; their text is the one the
// fixed-notation conversion of the double gives, up to the edge of 2^63.
TEST_F(FormatGroupedTest, WholeNumbersHaveTheDigitsOfTheFixedConversion) {
  const double values[] = {1,
                           -1,
                           999,
                           -1000,
                           32'868,
                           1'234'567,
                           9'007'199'254'740'993.0,
                           -9'223'372'036'854'775'808.0,
                           9'223'372'036'854'775'808.0,
                           -9'223'372'036'854'777'856.0,
                           1e21};
  for (double value : values) {
    for (std::int32_t decimals : {0, 2, 7}) {
      char fixed[400];
      const char* end =
          std::to_chars(fixed, fixed + sizeof fixed, value, std::chars_format::fixed, decimals).ptr;
      const std::u16string expected(static_cast<const char*>(fixed), end);  // ASCII, widened
      FormatGrouped(value, decimals, u".", nullptr, 0);
      EXPECT_EQ(TextAt(0), expected) << value << " with " << decimals << " decimals";
    }
  }
  ExpectRows({{-9'223'372'036'854'775'808.0, 1, u".", u",", u"-9,223,372,036,854,775,808.0"},
              {32'868, 0, u",", u".", u"32.868"}});
}

TEST_F(FormatGroupedTest, ShorterFormsUseTwoDecimalsAPointAndAComma) {
  FormatGrouped(1234.5, 0);
  EXPECT_EQ(TextAt(0), u"1,234.50");
  FormatGrouped(1234.5, 1, 0);
  EXPECT_EQ(TextAt(0), u"1,234.5");
  FormatGrouped(1234.5, 1, u":", 0);
  EXPECT_EQ(TextAt(0), u"1,234:5");
  EXPECT_EQ(Position(), 14);
}

TEST_F(FormatGroupedTest, TheProgressLineMemoryField) {
  AppendText(u"Pass 10000");
  const std::int32_t field = Position();
  FormatGrouped(12345, 0, u",", u".", field);
  AppendText(u" K");
  EXPECT_EQ(TextAt(field), u"12.345 K");
  PadLeftText(WorkspaceTextAt(field), 16, field);
  EXPECT_EQ(TextAt(0), u"Pass 10000        12.345 K");
  EXPECT_EQ(Position(), field + 32);
}

// Results past the 2,047 characters of the stack buffer are written whole.
TEST_F(FormatGroupedTest, LongPointAndSeparatorTextsAreNeverCut) {
  const std::u16string separator(1000, u'_');
  const std::u16string point(3000, u'p');
  AppendText(u"x");
  FormatGrouped(-1234567.5, 1, point.c_str(), separator.c_str(), 2);
  EXPECT_EQ(TextAt(2), u"-1" + separator + u"234" + separator + u"567" + point + u"5");
  EXPECT_EQ(Position(), 2 + 2 * (9 + 2000 + 3000));

  // The largest result that still fits the stack buffer, and the first that does not.
  for (std::size_t length : {2047u, 2048u}) {
    const std::u16string fill(length - 4, u'.');
    FormatGrouped(1.5, 1, fill.c_str(), u",", 0);
    EXPECT_EQ(TextAt(0), u"1" + fill + u"5") << length;
    EXPECT_EQ(Position(), 2 * static_cast<std::int32_t>(length) - 4) << length;
  }
}

TEST_F(FormatGroupedTest, LongResultsDoNotOverwriteTextsTheyStillRead) {
  // The point and the separator stand in the workspace where the result goes.
  AppendText(u"ab");
  AppendText(std::u16string(1000, u'_').c_str());
  ReserveWorkspace(1, Position());  // keeps the separator's NUL
  const std::int32_t point = Position();
  AppendText(std::u16string(1000, u'p').c_str());
  const std::u16string group(1000, u'_');
  FormatGrouped(1234567.5, 1, WorkspaceTextAt(point), WorkspaceTextAt(4), 2);
  EXPECT_EQ(TextAt(0), u"a1" + group + u"234" + group + u"567" + std::u16string(1000, u'p') + u"5");
  EXPECT_EQ(Position(), 2 + 2 * (8 + 3000));
}

TEST_F(FormatGroupedTest, ALongSeparatorInTheWorkspaceSurvivesTheBufferMoving) {
  AppendText(std::u16string(3000, u'-').c_str());
  const std::int32_t start = Position();
  const char16_t* before = StringWorkspace.buffer;
  FormatGrouped(1e12, 0, nullptr, WorkspaceTextAt(0), start);
  ASSERT_NE(StringWorkspace.buffer, before);
  const std::u16string group = std::u16string(3000, u'-') + u"000";
  EXPECT_EQ(TextAt(start), u"1" + group + group + group + group);
}

}  // namespace
