// Measuring and copying texts at every vector width this processor has, from
// every position in a 64-byte block, for lengths and rooms across the block,
// pair and group boundaries, against a character loop. Characters with a zero
// byte (U+0020, U+2000) or the top bit set must not pass for the terminator.
#include "runtime/strings/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/seeded.h"

namespace {

class TextTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { ASSERT_TRUE(SetTextVectorBytes(GetParam())); }
  void TearDown() override { SetTextVectorBytes(0); }

  // `count` characters, none of them NUL, at a 64-byte boundary.
  char16_t* RandomText(std::size_t count) {
    static constexpr char16_t kChars[] = {u' ', u'a', 0x0100, 0x2000, 0x8000, 0xFFFF, 0x00FF, 1};
    storage_.assign(count + 32, u'x');
    char16_t* text =
        storage_.data() + ((64 - reinterpret_cast<std::uintptr_t>(storage_.data()) % 64) % 64) / 2;
    for (std::size_t i = 0; i < count; ++i) text[i] = kChars[random_.Between(0, 7)];
    return text;
  }
  // Copies the `length` characters at `source` into a target of '#' at `offset`
  // with the given room, and checks the result and every character of the target.
  void ExpectCopyWithin(const char16_t* source, std::size_t length, std::size_t room,
                        std::size_t offset) {
    std::u16string target(offset + length + 40, u'#');
    const std::size_t result = CopyTextWithin(target.data() + offset, source, room);
    std::u16string expected =
        std::u16string(offset, u'#') + std::u16string(source, length <= room ? length + 1 : room);
    expected.resize(target.size(), u'#');
    ASSERT_EQ(result, length <= room ? length : room + 1)
        << "length " << length << ", room " << room;
    ASSERT_EQ(target, expected) << "length " << length << ", room " << room << ", offset "
                                << offset;
  }

  Seeded random_;
  std::vector<char16_t> storage_;
};

INSTANTIATE_TEST_SUITE_P(Widths, TextTest, ::testing::Values(16, 32, 64),
                         [](const auto& info) { return "Bytes" + std::to_string(info.param); });

// Lengths past two groups of 128 characters, from every place in a 64-byte block and beyond.
TEST_P(TextTest, MeasuresAndCopiesAsACharacterLoopDoes) {
  if (!TextVectorWidthAvailable(GetParam())) GTEST_SKIP() << "not on this processor";
  char16_t* text = RandomText(34 + 300 + 64);
  for (std::size_t start = 0; start < 34; ++start) {
    for (std::size_t length = 0; length <= 300; ++length) {
      const char16_t kept = text[start + length];
      text[start + length] = u'\0';
      ASSERT_EQ(FindTerminator(text + start), length) << "start " << start;
      const auto any = static_cast<std::size_t>(random_.Between(0, 301));
      for (std::size_t limit : {std::size_t{0}, length - (length > 0), length, length + 1, any})
        ASSERT_EQ(LengthUpTo(text + start, limit), std::min(length, limit))
            << "start " << start << ", limit " << limit;
      for (std::size_t room :
           {std::size_t{0}, length - (length > 0), length, length + 1, length + 40, any})
        ExpectCopyWithin(text + start, length, room,
                         static_cast<std::size_t>(random_.Between(0, 39)));
      text[start + length] = kept;
    }
  }
  const auto length = static_cast<std::size_t>(1'000'000 + random_.Between(0, 63));
  char16_t* longText = RandomText(length + 33) + random_.Between(0, 31);
  longText[length] = u'\0';
  EXPECT_EQ(FindTerminator(longText), length);
  EXPECT_EQ(LengthUpTo(longText, length - 1), length - 1);
  for (std::size_t room : {length - 1, length, std::size_t{SIZE_MAX - 1}})
    ExpectCopyWithin(longText, length, room, 3);
}

TEST(TextVectorsTest, SixteenBytesAlwaysThirtyTwoByChoiceAndOnlyTheThreeWidths) {
  EXPECT_TRUE(TextVectorWidthAvailable(16) && SetTextVectorBytes(16) && !SetTextVectorBytes(8) &&
              !SetTextVectorBytes(128));
  EXPECT_EQ(TextVectorBytes(), 16);
  EXPECT_TRUE(SetTextVectorBytes(0));
  EXPECT_EQ(TextVectorBytes(), TextVectorWidthAvailable(32) ? 32 : 16);
  char16_t target[6] = u"#####";
  CopyChars(target, u"abcdef", 3);
  CopyChars(target + 4, u"x", -5);
  EXPECT_EQ(std::u16string(target, 6), std::u16string(u"abc\0\0", 6));
}

}  // namespace
