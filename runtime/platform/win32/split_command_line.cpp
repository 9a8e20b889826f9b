// One pass over the line; a run of backslashes is counted first, since only the
// character after it tells what it means.
#include "runtime/platform/win32/split_command_line.h"

namespace platform {

namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

}  // namespace

std::vector<std::u16string> SplitCommandLine(const char16_t* line) {
  const char16_t* p = line;
  for (bool quoted = false; *p != u'\0' && (quoted || !IsBlank(*p)); ++p) {
    if (*p == u'"') quoted = !quoted;
  }

  std::vector<std::u16string> arguments;
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (*p == u'\0') return arguments;
    std::u16string argument;
    bool quoted = false;
    while (*p != u'\0' && (quoted || !IsBlank(*p))) {
      std::size_t backslashes = 0;
      for (; *p == u'\\'; ++p) ++backslashes;
      if (*p != u'"') {
        argument.append(backslashes, u'\\');
        if (*p != u'\0' && (quoted || !IsBlank(*p))) argument += *p++;
        continue;
      }
      argument.append(backslashes / 2, u'\\');
      if (backslashes % 2 == 1 || (quoted && p[1] == u'"')) {
        argument += u'"';
        p += backslashes % 2 == 1 ? 1 : 2;
      } else {
        quoted = !quoted;
        ++p;
      }
    }
    arguments.push_back(std::move(argument));
  }
}

}  // namespace platform
