// Process services on Windows: KERNEL32.
#include <windows.h>

#include "runtime/platform/platform.h"

namespace platform {

void WriteStandardError(const char* text, std::size_t length) {
  HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
  while (length > 0) {
    DWORD written = 0;
    DWORD chunk = length > 0x10000000 ? 0x10000000 : static_cast<DWORD>(length);
    if (!::WriteFile(error, text, chunk, &written, nullptr) || written == 0) return;
    text += written;
    length -= written;
  }
}

void EndProcess(std::uint32_t code) {
  ::ExitProcess(code);
}

}  // namespace platform
