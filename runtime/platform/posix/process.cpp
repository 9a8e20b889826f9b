// Process services on Linux.
#include <unistd.h>

#include "runtime/platform/platform.h"
#include "runtime/platform/posix/file_handle.h"
#include "runtime/platform/posix/terminal.h"

namespace platform {

void WriteStandardError(const char* text, std::size_t length) {
  std::size_t written = 0;
  WriteDescriptor(STDERR_FILENO, text, length, &written);
}

void EndProcess(std::uint32_t code) {
  RestoreTerminalModes();
  ::_exit(static_cast<int>(code));
}

}  // namespace platform
