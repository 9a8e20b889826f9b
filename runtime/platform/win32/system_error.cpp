// Failures on Windows: GetLastError, and FormatMessageW's words for it.
#include <windows.h>

#include "runtime/platform/platform.h"

namespace platform {

SystemError LastSystemError() {
  const DWORD error = ::GetLastError();
  return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

bool IsBrokenPipe(SystemError error) {
  // ERROR_NO_DATA: the reader closed its end while this one still writes;
  // ERROR_PIPE_NOT_CONNECTED: it is gone altogether (what Wine reports).
  return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA || error == ERROR_PIPE_NOT_CONNECTED;
}

void DescribeSystemError(SystemError error, char16_t* text, std::size_t capacity) {
  const DWORD size = capacity > 0xFFFF ? 0xFFFF : static_cast<DWORD>(capacity);
  auto* wide = reinterpret_cast<wchar_t*>(text);
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, wide, size, nullptr);
  if (length == 0) {
    // No words for it, or none that fit: "error" and its number.
    wchar_t number[16] = L"error ";
    std::size_t digits = 0;
    wchar_t reversed[10];
    for (DWORD rest = error; digits == 0 || rest != 0; rest /= 10) {
      reversed[digits++] = static_cast<wchar_t>(L'0' + rest % 10);
    }
    DWORD at = 6;
    while (digits > 0) number[at++] = reversed[--digits];
    for (length = 0; length < at && length + 1 < size; ++length) wide[length] = number[length];
  }
  // The system's words end in a full stop and a line end, which the caller's line has.
  while (length > 0 && (wide[length - 1] == L'\r' || wide[length - 1] == L'\n' ||
                        wide[length - 1] == L' ' || wide[length - 1] == L'.')) {
    --length;
  }
  wide[length] = L'\0';
}

}  // namespace platform
