// The command line on Windows: KERNEL32's GetCommandLineW, split once.
// CommandLineToArgvW would do the splitting, but it lives in SHELL32.
#include <windows.h>

#include "runtime/platform/platform.h"
#include "runtime/platform/win32/split_command_line.h"

namespace platform {

const char16_t* const* CommandLineArguments(std::size_t* count) {
  static const std::vector<std::u16string> arguments =
      SplitCommandLine(reinterpret_cast<const char16_t*>(::GetCommandLineW()));
  static const std::vector<const char16_t*> texts = [] {
    std::vector<const char16_t*> pointers;
    for (const std::u16string& argument : arguments) pointers.push_back(argument.c_str());
    return pointers;
  }();
  *count = texts.size();
  return texts.data();
}

}  // namespace platform
