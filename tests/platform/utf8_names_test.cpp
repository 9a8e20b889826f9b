// Linux only: function names reach the dynamic linker as UTF-8, and the 260-byte
// limit counts bytes, not characters.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/platform/platform.h"

namespace {

TEST(Utf8NameTest, EncodesEveryPlaneRefusesLoneSurrogatesAndCountsBytes) {
  char name[platform::FunctionNameBytes];
  ASSERT_TRUE(platform::NarrowFunctionName(u"a\u00e9\u4e2d\U0001F600", name));
  EXPECT_STREQ(name, "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");

  const char16_t lowFirst[] = {u'a', 0xDC00, u'b', 0};
  const char16_t highAtEnd[] = {u'a', 0xD800, 0};
  const char16_t highThenLetter[] = {0xD800, u'b', 0};
  EXPECT_FALSE(platform::NarrowFunctionName(lowFirst, name));
  EXPECT_FALSE(platform::NarrowFunctionName(highAtEnd, name));
  EXPECT_FALSE(platform::NarrowFunctionName(highThenLetter, name));

  // The limit counts bytes, not characters.
  const std::u16string fits(129, u'\u00e9');  // 258 bytes and the NUL
  ASSERT_TRUE(platform::NarrowFunctionName(fits.c_str(), name));
  EXPECT_EQ(std::strlen(name), 258u);
  const std::u16string straddles = fits + u'\u00e9';  // 260 bytes and the NUL
  EXPECT_FALSE(platform::NarrowFunctionName(straddles.c_str(), name));
  const std::u16string exact = fits + u'x';  // 259 bytes and the NUL
  EXPECT_TRUE(platform::NarrowFunctionName(exact.c_str(), name));
}

}  // namespace
