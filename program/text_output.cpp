// Plain text for a file or pipe: one narrow byte per character, one write per line.
#include "program/text_output.h"

#include <string>

#include "runtime/console/console.h"
#include "runtime/console/line_hooks.h"
#include "runtime/platform/platform.h"

bool PrintTextLine(const char16_t* line) {
  if (platform::IsConsole(StdOutputHandle)) {
    OutputLineHook(line);
    return true;
  }
  std::string text;
  for (; *line != u'\0'; ++line) text.push_back(*line < 0x80 ? static_cast<char>(*line) : '?');
  text.push_back('\n');
  return platform::WriteTextBytes(StdOutputHandle, text.data(), text.size());
}
