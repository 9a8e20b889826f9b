// Files and pipes on Windows: KERNEL32's ReadFile, WriteFile and FlushFileBuffers.
#include <windows.h>

#include "runtime/platform/platform.h"

namespace platform {

// The one read failure that counts as the end of input.
static_assert(ERROR_BROKEN_PIPE == 109);

FileReadResult ReadFileBytes(FileHandle file, void* buffer, std::uint32_t bytes,
                             std::uint32_t* got) {
  DWORD count = 0;
  const BOOL ok = ::ReadFile(file, buffer, bytes, &count, nullptr);
  *got = count;
  if (ok) return FileReadResult::Success;
  return ::GetLastError() == ERROR_BROKEN_PIPE ? FileReadResult::BrokenPipe
                                               : FileReadResult::Failure;
}

bool WriteFileBytes(FileHandle file, const void* buffer, std::uint32_t bytes,
                    std::uint32_t* written) {
  DWORD count = 0;
  const BOOL ok = ::WriteFile(file, buffer, bytes, &count, nullptr);
  *written = count;
  return ok != 0;
}

void FlushFile(FileHandle file) {
  ::FlushFileBuffers(file);
}

}  // namespace platform
