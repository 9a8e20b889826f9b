// PrintLine and its writer. A line goes out through a fixed buffer on the stack,
// so that printing needs no memory that could run out: a line that fits it goes
// out in one write with its line end, a longer one in pieces.
#include "runtime/console/print_line.h"

#include <cstddef>

#include "runtime/console/console.h"
#include "runtime/platform/platform.h"
#include "runtime/strings/text.h"

namespace {

// The buffer's characters: a line of up to 4,094 and its CR LF go out in one write.
constexpr std::size_t kPieceChars = 4096;

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

}  // namespace

std::int64_t PrintLine(const char16_t* text) {
  const char16_t* rest = text == nullptr ? u"" : text;
  char16_t piece[kPieceChars + 1];
  std::int64_t failure = 0;
  for (;;) {
    std::size_t count = CopyTextWithin(piece, rest, kPieceChars - 2);
    const bool last = count <= kPieceChars - 2;
    if (last) {
      piece[count++] = CarriageReturn;
      piece[count++] = LineFeed;
    } else {
      // More follows: a surrogate pair waits for the next piece whole, so that a
      // console shows it as one character.
      count = kPieceChars - 2;
      if (IsHighSurrogate(piece[count - 1])) --count;
    }
    // The reason is taken before the flush can set another.
    if (!WriteConsoleText(piece, static_cast<std::uint32_t>(count))) {
      failure = platform::LastSystemError();
      break;
    }
    if (last) break;
    rest += count;
  }
  platform::FlushFile(StdOutputHandle);
  return failure;
}

bool WriteConsoleText(const char16_t* buffer, std::uint32_t count) {
  std::uint32_t written = 0;
  if (platform::WriteConsoleChars(StdOutputHandle, buffer, count, &written)) return true;
  return platform::WriteFileBytes(StdOutputHandle, buffer, 2 * count, &written);
}
