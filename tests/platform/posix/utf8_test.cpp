// The terminal's UTF-8 conversions: every well-formed sequence, and one U+FFFD per
// byte of anything else.
#include "runtime/platform/posix/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Decode(const std::string& bytes, bool final = true,
                      std::size_t* consumed = nullptr) {
  std::u16string out(bytes.size(), u'\0');
  const platform::Utf8Decoded decoded = platform::DecodeUtf8(
      reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), final, out.data());
  if (consumed != nullptr) *consumed = decoded.bytes;
  out.resize(decoded.units);
  return out;
}

std::string Encode(const std::u16string& text) {
  std::string out(3 * text.size(), '\0');
  out.resize(
      platform::EncodeUtf8(text.data(), text.size(), reinterpret_cast<unsigned char*>(out.data())));
  return out;
}

TEST(Utf8Test, DecodesOneToFourByteSequences) {
  EXPECT_EQ(Decode("a\xC3\xA9\xE4\xB8\x96\xF0\x9F\x98\x80"), u"a\u00e9\u4e16\U0001F600");
  EXPECT_EQ(Decode("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
}

TEST(Utf8Test, EveryInvalidByteBecomesOneReplacementCharacter) {
  EXPECT_EQ(Decode("a\xFF"
                   "b"),
            u"a\ufffdb");
  EXPECT_EQ(Decode("\x80"), u"\ufffd");
  EXPECT_EQ(Decode("\xC0\xAF"), u"\ufffd\ufffd");                      // overlong
  EXPECT_EQ(Decode("\xED\xA0\x80"), u"\ufffd\ufffd\ufffd");            // an encoded surrogate
  EXPECT_EQ(Decode("\xF4\x90\x80\x80"), u"\ufffd\ufffd\ufffd\ufffd");  // above U+10FFFF
  EXPECT_EQ(Decode("\xE4\xB8"
                   "A"),
            u"\ufffd\ufffdA");                     // cut short
  EXPECT_EQ(Decode("\xE4\xB8"), u"\ufffd\ufffd");  // cut short at the end
}

TEST(Utf8Test, ASequenceCutOffByTheEndWaitsUnlessTheBytesAreFinal) {
  std::size_t consumed = 0;
  EXPECT_EQ(Decode("ab\xF0\x9F\x98", false, &consumed), u"ab");
  EXPECT_EQ(consumed, 2u);
  EXPECT_EQ(Decode("ab\xFF", false, &consumed), u"ab\ufffd");  // not a start: no waiting
  EXPECT_EQ(consumed, 3u);
}

TEST(Utf8Test, EncodesPairsAndReplacesUnpairedSurrogates) {
  EXPECT_EQ(Encode(u"a\u00e9\u4e16\U0001F600"), "a\xC3\xA9\xE4\xB8\x96\xF0\x9F\x98\x80");
  const std::u16string unpaired = {0xD83D, u'x', 0xDE00};
  EXPECT_EQ(Encode(unpaired), "\xEF\xBF\xBDx\xEF\xBF\xBD");
}

}  // namespace
