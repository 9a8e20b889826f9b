// Measuring and copying texts at every vector width this processor has, from
// every position in a 64-byte block, for lengths and rooms across the block,
// pair and group boundaries, against a character loop. Characters with a zero
// byte (U+0020, U+2000) or the top bit set must not pass for the terminator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "runtime/strings/text.h"

namespace {

constexpr std::size_t kLongest = 300;  // past two groups of 128 characters
constexpr std::size_t kStarts = 34;    // every place in a 64-byte block, and beyond

std::vector<int> AvailableWidths() {
  std::vector<int> widths;
  for (int bytes : {16, 32, 64})
    if (TextVectorWidthAvailable(bytes)) widths.push_back(bytes);
  return widths;
}

// Runs its tests once per vector width.
class TextTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { ASSERT_TRUE(SetTextVectorBytes(GetParam())); }
  void TearDown() override { SetTextVectorBytes(0); }

  // `count` characters, none of them NUL, at a 64-byte boundary.
  char16_t* RandomText(std::size_t count) {
    static constexpr char16_t kChars[] = {u' ', u'a', 0x0100, 0x2000, 0x8000, 0xFFFF, 0x00FF, 1};
    storage_.assign(count + 32, u'x');
    auto at = reinterpret_cast<std::uintptr_t>(storage_.data());
    char16_t* text = storage_.data() + ((64 - at % 64) % 64) / 2;
    for (std::size_t i = 0; i < count; ++i) text[i] = kChars[random_() % std::size(kChars)];
    return text;
  }

  const unsigned seed_ = std::random_device{}();
  std::mt19937 random_{seed_};
  std::vector<char16_t> storage_;
};

INSTANTIATE_TEST_SUITE_P(Widths, TextTest, ::testing::ValuesIn(AvailableWidths()),
                         [](const auto& info) { return "Bytes" + std::to_string(info.param); });

TEST_P(TextTest, FindTerminatorAndLengthUpToAgreeWithACharacterLoop) {
  SCOPED_TRACE("seed " + std::to_string(seed_));
  char16_t* text = RandomText(kStarts + kLongest + 64);
  for (std::size_t start = 0; start < kStarts; ++start) {
    for (std::size_t length = 0; length <= kLongest; ++length) {
      const char16_t kept = text[start + length];
      text[start + length] = u'\0';
      ASSERT_EQ(FindTerminator(text + start), length) << "start " << start;
      for (std::size_t limit : {std::size_t{0}, std::size_t{1}, length - (length > 0), length,
                                length + 1, std::size_t{random_() % (kLongest + 2)}}) {
        ASSERT_EQ(LengthUpTo(text + start, limit), std::min(length, limit))
            << "start " << start << ", length " << length << ", limit " << limit;
      }
      text[start + length] = kept;
    }
  }
}

// Copies the `length` characters at `source` (with a NUL after them) into a
// target filled with '#' at `offset`, and checks the result and every character
// of the target.
void ExpectCopyWithin(const char16_t* source, std::size_t length, std::size_t room,
                      std::size_t offset) {
  std::vector<char16_t> target(offset + length + 40, u'#');
  const std::size_t result = CopyTextWithin(target.data() + offset, source, room);
  std::u16string expected(offset, u'#');
  if (length <= room) {
    ASSERT_EQ(result, length) << "room " << room << ", offset " << offset;
    expected.append(source, length + 1);
  } else {
    ASSERT_EQ(result, room + 1) << "length " << length << ", room " << room;
    expected.append(source, room);
  }
  expected.resize(target.size(), u'#');
  ASSERT_EQ(std::u16string(target.begin(), target.end()), expected)
      << "length " << length << ", room " << room << ", offset " << offset;
}

TEST_P(TextTest, CopyTextWithinCopiesWhatFitsAndWritesNothingElse) {
  SCOPED_TRACE("seed " + std::to_string(seed_));
  char16_t* text = RandomText(kStarts + kLongest + 64);
  for (std::size_t start = 0; start < kStarts; ++start) {
    for (std::size_t length = 0; length <= kLongest; ++length) {
      const char16_t kept = text[start + length];
      text[start + length] = u'\0';
      const std::size_t offset = random_() % 40;
      for (std::size_t room : {std::size_t{0}, length - (length > 0), length, length + 1,
                               length + 40, std::size_t{random_() % (kLongest + 2)}}) {
        ExpectCopyWithin(text + start, length, room, offset);
      }
      text[start + length] = kept;
    }
  }
}

TEST_P(TextTest, LongTexts) {
  SCOPED_TRACE("seed " + std::to_string(seed_));
  const std::size_t length = 1'000'000 + random_() % 64;
  char16_t* text = RandomText(length + 33) + random_() % 32;
  text[length] = u'\0';
  EXPECT_EQ(FindTerminator(text), length);
  EXPECT_EQ(LengthUpTo(text, length - 1), length - 1);
  for (std::size_t room : {length - 1, length, std::size_t{SIZE_MAX - 1}}) {
    ExpectCopyWithin(text, length, room, random_() % 32);
  }
}

TEST(TextVectorsTest, SixteenBytesAlwaysThirtyTwoByChoiceAndOnlyTheThreeWidths) {
  EXPECT_TRUE(TextVectorWidthAvailable(16));
  EXPECT_FALSE(SetTextVectorBytes(8));
  EXPECT_FALSE(SetTextVectorBytes(128));
  EXPECT_TRUE(SetTextVectorBytes(16));
  EXPECT_EQ(TextVectorBytes(), 16);
  EXPECT_TRUE(SetTextVectorBytes(0));
  EXPECT_EQ(TextVectorBytes(), TextVectorWidthAvailable(32) ? 32 : 16);
}

TEST(CopyCharsTest, WritesTheCharactersAndOneTerminator) {
  const char16_t source[] = u"abcdef";
  struct Case {
    std::int32_t chars;
    std::u16string written;
  };
  for (const Case& c : {Case{3, std::u16string(u"abc\0#", 5)}, Case{0, std::u16string(u"\0#", 2)},
                        Case{-5, std::u16string(u"\0#", 2)}}) {
    char16_t target[8];
    std::fill(std::begin(target), std::end(target), u'#');
    CopyChars(target, source, c.chars);
    EXPECT_EQ(std::u16string(target, c.written.size()), c.written) << c.chars;
  }
}

}  // namespace
