// The command line on Windows: KERNEL32's GetCommandLineW, split once.
// CommandLineToArgvW would do the splitting, but it lives in SHELL32.
#include <windows.h>

#include "runtime/platform/kept_arguments.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/win32/split_command_line.h"

namespace platform {

void StartProcess(int, char**) {
  // The C runtime's arguments went through the ANSI code page; the command line
  // itself is read below. A handle's number is never reused for a standard stream.
}

const char16_t* const* CommandLineArguments(std::size_t* count) {
  return KeptArguments(
      [] { return SplitCommandLine(reinterpret_cast<const char16_t*>(::GetCommandLineW())); },
      count);
}

}  // namespace platform
