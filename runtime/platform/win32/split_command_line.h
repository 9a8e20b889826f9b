// A Windows command line split into arguments by the Microsoft C runtime's
// rules, which is how every Windows program receives its argv. Plain UTF-16 in
// and out, so that the rules can be checked on any system.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The arguments of `line` (NUL-terminated, not null) after the program's name.
// Blanks (space, tab) separate arguments outside double quotes. 2n backslashes
// before a quote give n backslashes and the quote opens or closes a quoted part;
// 2n + 1 give n backslashes and a literal quote; inside a quoted part "" is a
// literal quote. Other backslashes are plain. In the name, quotes only group.
std::vector<std::u16string> SplitCommandLine(const char16_t* line);

}  // namespace platform
