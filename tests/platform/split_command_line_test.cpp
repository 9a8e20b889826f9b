// The Windows command line split as the Microsoft C runtime splits it: the
// worked examples of its documentation, and the program's name before them.
#include "runtime/platform/win32/split_command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(SplitCommandLineTest, FollowsTheRulesOfTheMicrosoftRuntime) {
  const std::pair<const char16_t*, std::vector<std::u16string>> cases[] = {
      {u"p", {}},
      {u"p \"a b c\" d e", {u"a b c", u"d", u"e"}},
      {u"p \"ab\\\"c\" \"\\\\\" d", {u"ab\"c", u"\\", u"d"}},
      {u"p a\\\\\\b d\"e f\"g h", {u"a\\\\\\b", u"de fg", u"h"}},
      {u"p a\\\\\\\"b c d", {u"a\\\"b", u"c", u"d"}},
      {u"p a\\\\\\\\\"b c\" d e", {u"a\\\\b c", u"d", u"e"}},
      {u"p a\"b\"\" c d", {u"ab\" c d"}},
      {u"p \t x\t \"\"  ", {u"x", u""}},
      {u"C:\\s\"x y\".exe z\\", {u"z\\"}},
      {u"\"C:\\Program Files\\s.exe\" --csv \"C:\\My Runs\\\\\"", {u"--csv", u"C:\\My Runs\\"}},
  };
  for (const auto& [line, arguments] : cases)
    EXPECT_EQ(platform::SplitCommandLine(line), arguments);
}

}  // namespace
