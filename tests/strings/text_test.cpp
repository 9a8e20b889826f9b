// Measuring and copying texts: every length around the vector widths, from every
// even alignment.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/strings/text.h"

namespace {

TEST(FindTerminatorTest, AgreesWithACharacterLoopAtEveryAlignment) {
  std::vector<char16_t> storage(512 + 64, u'x');
  for (std::size_t start = 0; start < 32; ++start) {
    for (std::size_t length = 0; length < 300; ++length) {
      std::fill(storage.begin(), storage.end(), u'x');
      storage[start + length] = u'\0';
      ASSERT_EQ(FindTerminator(storage.data() + start), length)
          << "start " << start << ", length " << length;
    }
  }
}

TEST(FindTerminatorTest, MeasuresAMillionCharacters) {
  std::u16string text(1'000'000, u' ');
  EXPECT_EQ(FindTerminator(text.c_str()), 1'000'000u);
}

TEST(CopyCharsTest, WritesTheCharactersAndOneTerminator) {
  const char16_t source[] = u"abcdef";
  char16_t target[8];
  std::fill(std::begin(target), std::end(target), u'#');
  CopyChars(target, source, 3);
  EXPECT_EQ(std::u16string(target, 5), std::u16string(u"abc\0#", 5));

  std::fill(std::begin(target), std::end(target), u'#');
  CopyChars(target, source, 0);
  EXPECT_EQ(std::u16string(target, 2), std::u16string(u"\0#", 2));

  std::fill(std::begin(target), std::end(target), u'#');
  CopyChars(target, source, -5);
  EXPECT_EQ(std::u16string(target, 2), std::u16string(u"\0#", 2));
}

}  // namespace
