// Plain text for a file or pipe: one narrow byte per character, one write per line.
#include "program/text_output.h"

#include <string>

#include "program/error_line.h"
#include "runtime/console/console.h"
#include "runtime/console/line_hooks.h"
#include "runtime/platform/platform.h"

std::int64_t PrintTextLine(const char16_t* line) {
  if (platform::IsConsole(StdOutputHandle)) return OutputLineHook(line);
  std::string text = PlainText(line);
  text.push_back('\n');
  if (platform::WriteTextBytes(StdOutputHandle, text.data(), text.size())) return 0;
  return platform::LastSystemError();
}
