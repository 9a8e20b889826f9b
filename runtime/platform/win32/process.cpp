// Process services on Windows: KERNEL32.
#include <windows.h>

#include "runtime/platform/platform.h"

namespace platform {

void WriteStandardError(const char* text, std::size_t length) {
  HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
  if (!IsConsole(error)) {
    WriteTextBytes(error, text, length);
    return;
  }
  // A console would show the bytes in its own code page: the text goes to it as
  // UTF-16, a piece at a time, each piece ending before a UTF-8 continuation byte.
  // No heap: this also reports that there is no memory left.
  constexpr std::size_t kPiece = 512;
  wchar_t wide[kPiece];
  while (length > 0) {
    std::size_t take = length < kPiece ? length : kPiece;
    while (take < length && take > 1 && (static_cast<unsigned char>(text[take]) & 0xC0) == 0x80) {
      --take;
    }
    const int count = ::MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(take), wide, kPiece);
    DWORD written = 0;
    if (count > 0) ::WriteConsoleW(error, wide, static_cast<DWORD>(count), &written, nullptr);
    text += take;
    length -= take;
  }
}

void EndProcess(std::uint32_t code) {
  ::ExitProcess(code);
}

}  // namespace platform
