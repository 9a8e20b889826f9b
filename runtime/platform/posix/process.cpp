// Process services on Linux.
#include <unistd.h>

#include <cerrno>

#include "runtime/platform/platform.h"

namespace platform {

void WriteStandardError(const char* text, std::size_t length) {
  while (length > 0) {
    ssize_t written = ::write(STDERR_FILENO, text, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text += written;
    length -= static_cast<std::size_t>(written);
  }
}

void EndProcess(std::uint32_t code) {
  ::_exit(static_cast<int>(code));
}

}  // namespace platform
