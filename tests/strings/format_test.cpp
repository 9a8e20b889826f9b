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

#include "tests/checks.h"
#include "tests/fixture.h"
#include "tests/reference.h"

namespace {

using FormatTest = RuntimeTest;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

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

// Random values of every magnitude, counts of decimals and widths (also
// outside 0..512), point, separator and field texts, long ones too, outside the
// workspace or in it where the result goes, while the workspace moves as it grows.
TEST_F(FormatTest, EveryOperationAgreesWithToChars) {
  Seeded random;
  const char* texts[] = {"", ".", ",", " - ", "abcdefghijklmnopqrstuvwxyz"};
  for (int i = 0; i < 5000; ++i) {
    if (random.OneIn(4))
      FreeStringWorkspace(), InitStringWorkspace();  // so that it moves as it grows
    std::string bytes(8, '\0');
    const double value = RandomDouble(random);
    const std::int64_t integer = RandomInteger(random);
    std::memcpy(bytes.data(), random.OneIn(2) ? static_cast<const void*>(&value) : &integer, 8);
    for (int k = 0; k < 3; ++k) bytes += static_cast<char>(random.Between(0, 255));
    bytes += std::string(texts[random.Between(0, 4)]) + texts[random.Between(0, 4)];
    if (random.OneIn(20)) bytes += std::string(700, '_');
    ASSERT_TRUE(
        check::FormatAgrees(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()))
        << "value " << value << ", integer " << integer << ", bytes " << bytes.substr(8);
  }
  char16_t digits[24];
  EXPECT_EQ(std::u16string(UnsignedToDecimal(digits, UINT64_MAX)), u"18446744073709551615");
}

TEST_F(FormatTest, GroupedWorkedExamplesAndShorterForms) {
  const struct {
    double value;
    std::int32_t decimals;
    const char16_t* point;
    const char16_t* separator;
    const char16_t* result;
  } rows[] = {
      // clang-format off
      {1234567.891, 2, u".", u",", u"1,234,567.89"}, {1234567, 0, u",", u".", u"1.234.567"},
      {12345, 0, u",", u".", u"12.345"}, {-1234, 0, u".", u",", u"-1,234"},
      {123456, 0, u".", u",", u"123,456"}, {-123456, 0, u".", u",", u"-123,456"},
      {-123, 0, u".", u",", u"-123"}, {1000, 0, u".", u",", u"1,000"}, {999, 0, u".", u",", u"999"},
      {999, 2, u".", u",", u"999.00"}, {0, 2, u".", u",", u"0.00"}, {-0.0, 0, u".", u",", u"0"},
      {-0.0, 2, u".", u",", u"0.00"}, {-0.001, 2, u".", u",", u"-0.00"},
      {1234.5678, -3, u".", u",", u"1,235"}, {1234.5, 1, u"", u",", u"1,2345"},
      {1234567, 0, u".", u" - ", u"1 - 234 - 567"}, {-1000, 0, u".", u"", u"-1000"},
      {1e21, 0, u".", u",", u"1,000,000,000,000,000,000,000"}, {2.5, 0, u".", u",", u"2"},
      {kInfinity, 3, u".", u",", u"+Infinity"}, {-kInfinity, 3, u".", u",", u"-Infinity"},
      {std::nan(""), 3, u".", u",", u"NaN"}, {-1234567.25, 2, nullptr, nullptr, u"-123456725"},
      // clang-format on
  };
  for (const auto& row : rows) {
    FormatGrouped(row.value, row.decimals, row.point, row.separator, 0);
    EXPECT_EQ(TextAt(0), row.result) << row.value;
  }
  FormatGrouped(1234.5, 0);
  FormatGrouped(1234.5, 1, 16);
  FormatGrouped(1234.5, 1, u":", 30);
  EXPECT_EQ(TextAt(0), u"1,234.501,234.51,234:5");
  PadText(nullptr, 3, nullptr, 0);
  PadLeftText(u"12345678", 7, 6);
  EXPECT_EQ(TextAt(0), u"   1234567");
  SpaceText(-3, 0);
  EXPECT_EQ(Position(), 0);
}

}  // namespace
