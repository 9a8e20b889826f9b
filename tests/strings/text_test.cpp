// Measuring and copying texts: every length around the vector widths, from every
// even alignment.
#include <gtest/gtest.h>

#include <algorithm>
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

TEST(LengthUpToTest, StopsAtTheLimitAtEveryAlignment) {
  std::vector<char16_t> storage(512 + 64, u'x');
  for (std::size_t start = 0; start < 32; ++start) {
    for (std::size_t length = 0; length < 200; length += 7) {
      std::fill(storage.begin(), storage.end(), u'x');
      storage[start + length] = u'\0';
      for (std::size_t limit :
           {std::size_t{0}, std::size_t{1}, length / 2, length, length + 1, std::size_t{300}}) {
        ASSERT_EQ(LengthUpTo(storage.data() + start, limit), std::min(length, limit))
            << "start " << start << ", length " << length << ", limit " << limit;
      }
    }
  }
}

TEST(FindTerminatorTest, MeasuresAMillionCharacters) {
  std::u16string text(1'000'000, u' ');
  EXPECT_EQ(FindTerminator(text.c_str()), 1'000'000u);
}

// Copies `text` with CopyTextWithin into a target filled with '#' and checks
// the result and exactly what was written.
void ExpectCopyWithin(const std::u16string& text, std::size_t room, const char16_t* source) {
  std::vector<char16_t> target(text.size() + 8, u'#');
  const std::size_t result = CopyTextWithin(target.data(), source, room);
  std::u16string expected;
  if (text.size() <= room) {
    ASSERT_EQ(result, text.size()) << "room " << room;
    expected = text + u'\0';
  } else {
    ASSERT_EQ(result, room + 1) << "length " << text.size() << ", room " << room;
    expected = text.substr(0, room);
  }
  expected.resize(target.size(), u'#');
  ASSERT_EQ(std::u16string(target.begin(), target.end()), expected)
      << "length " << text.size() << ", room " << room;
}

TEST(CopyTextWithinTest, CopiesATextThatFitsAndStopsAtTheRoomOtherwise) {
  std::vector<char16_t> storage(400 + 64);
  for (std::size_t start = 0; start < 32; ++start) {
    for (std::size_t length = 0; length < 140; ++length) {
      std::u16string text(length, u' ');
      for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char16_t>(u'a' + i % 26);
      std::fill(storage.begin(), storage.end(), u'x');
      std::copy(text.begin(), text.end(), storage.begin() + start);
      storage[start + length] = u'\0';
      for (std::size_t room : {std::size_t{0}, length / 2, length, length + 1, length + 100}) {
        ExpectCopyWithin(text, room, storage.data() + start);
        if (length > 0) ExpectCopyWithin(text, length - 1, storage.data() + start);
      }
    }
  }
}

TEST(CopyTextWithinTest, LongTextsAcrossManyStretches) {
  std::u16string text(100'003, u' ');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(u'A' + i % 7919);
  for (std::size_t room : {std::size_t{16'383}, std::size_t{16'384}, std::size_t{16'385},
                           std::size_t{100'002}, std::size_t{100'003}, std::size_t{1'000'000}}) {
    ExpectCopyWithin(text, room, text.c_str());
  }
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
