// PrintLine and its writer. One heap buffer per line holds the text with its
// line end, so that each line goes out in one write.
#include "runtime/console/print_line.h"

#include <cstddef>

#include "runtime/console/console.h"
#include "runtime/memory/private_heap.h"
#include "runtime/platform/platform.h"
#include "runtime/program_heap.h"
#include "runtime/strings/text.h"

std::int64_t PrintLine(const char16_t* text) {
  std::size_t n = 2;
  if (text != nullptr) n += FindTerminator(text);
  // WriteConsoleText counts characters, and the raw write bytes, in 32 bits.
  if (n > INT32_MAX) return 0;
  auto* block =
      static_cast<char16_t*>(AllocateBlock(ProgramHeap, (n + 1) * sizeof(char16_t), false));
  if (block == nullptr) return 0;
  if (text != nullptr) CopyText(block, text, n - 2);
  block[n - 2] = CarriageReturn;
  block[n - 1] = LineFeed;
  block[n] = u'\0';
  // The reason is taken before the flush and the free can set another.
  const std::int64_t failure =
      WriteConsoleText(block, static_cast<std::uint32_t>(n)) ? 0 : platform::LastSystemError();
  platform::FlushFile(StdOutputHandle);
  FreeBlock(ProgramHeap, block);
  return failure;
}

bool WriteConsoleText(const char16_t* buffer, std::uint32_t count) {
  std::uint32_t written = 0;
  if (platform::WriteConsoleChars(StdOutputHandle, buffer, count, &written)) return true;
  return platform::WriteFileBytes(StdOutputHandle, buffer, 2 * count, &written);
}
