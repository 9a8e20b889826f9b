// Process services on Windows: KERNEL32.
#include <windows.h>

#include "runtime/platform/platform.h"

namespace platform {

void WriteStandardError(const char* text, std::size_t length) {
  HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
  WriteTextBytes(error, text, length);
}

void EndProcess(std::uint32_t code) {
  ::ExitProcess(code);
}

}  // namespace platform
