// Failures on Windows: GetLastError, and FormatMessageW's words for it.
#include <windows.h>

#include <cwchar>

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
  // The words are made whole and then cut to the room: FormatMessageW makes
  // none at all for a buffer too small for them.
  constexpr DWORD kRoom = 512;
  wchar_t words[kRoom];
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, words, kRoom, nullptr);
  if (length == 0) {
    // No words for it: "error" and its number.
    wchar_t reversed[10];
    std::size_t digits = 0;
    for (DWORD rest = error; digits == 0 || rest != 0; rest /= 10) {
      reversed[digits++] = static_cast<wchar_t>(L'0' + rest % 10);
    }
    std::wcscpy(words, L"error ");
    length = static_cast<DWORD>(std::wcslen(words));
    while (digits > 0) words[length++] = reversed[--digits];
  }
  // The system's words end in a full stop and a line end, which the caller's line has.
  while (length > 0 && (words[length - 1] == L'\r' || words[length - 1] == L'\n' ||
                        words[length - 1] == L' ' || words[length - 1] == L'.')) {
    --length;
  }
  if (length > capacity - 1) length = static_cast<DWORD>(capacity - 1);
  // Half of a surrogate pair is not kept.
  if (length > 0 && words[length - 1] >= 0xD800 && words[length - 1] <= 0xDBFF) --length;
  for (DWORD i = 0; i < length; ++i) text[i] = static_cast<char16_t>(words[i]);
  text[length] = u'\0';
}

}  // namespace platform
