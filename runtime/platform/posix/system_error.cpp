// Failures on Linux: errno, and strerror's words for it.
#include <string.h>

#include <cerrno>

#include "runtime/platform/platform.h"
#include "runtime/platform/posix/utf8.h"

namespace platform {

SystemError LastSystemError() {
  // Never 0, whatever a failing call left in errno.
  return errno != 0 ? static_cast<SystemError>(errno) : EIO;
}

bool IsBrokenPipe(SystemError error) {
  return error == EPIPE;
}

void DescribeSystemError(SystemError error, char16_t* text, std::size_t capacity) {
  char buffer[256];
  // The GNU strerror_r, which returns the text (not always in `buffer`); the
  // process keeps the "C" locale, so the words are plain ASCII.
  const char* words = ::strerror_r(static_cast<int>(error), buffer, sizeof buffer);
  std::size_t length = ::strlen(words);
  if (length > capacity - 1) length = capacity - 1;
  text[DecodeUtf8(reinterpret_cast<const unsigned char*>(words), length, true, text).units] = u'\0';
}

}  // namespace platform
