// Files and pipes on Windows: KERNEL32's ReadFile, WriteFile, FlushFileBuffers and
// CreateFileW.
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

bool WriteTextBytes(FileHandle file, const char* text, std::size_t length) {
  // Each LF goes out as CR LF, a buffer at a time; a short write is carried on.
  char buffer[1024];
  std::size_t taken = 0;
  while (taken < length) {
    DWORD filled = 0;
    for (; taken < length && filled + 2 <= sizeof buffer; ++taken) {
      if (text[taken] == '\n') buffer[filled++] = '\r';
      buffer[filled++] = text[taken];
    }
    for (DWORD sent = 0; sent < filled;) {
      DWORD count = 0;
      if (!::WriteFile(file, buffer + sent, filled - sent, &count, nullptr) || count == 0) {
        return false;
      }
      sent += count;
    }
  }
  return true;
}

void FlushFile(FileHandle file) {
  ::FlushFileBuffers(file);
}

FileHandle OpenScratchFile() {
  wchar_t directory[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, directory);
  if (length == 0 || length > MAX_PATH) return nullptr;
  wchar_t path[MAX_PATH];
  if (::GetTempFileNameW(directory, L"scb", 0, path) == 0) return nullptr;
  // Deleted when its last handle closes, at the latest when the process ends.
  HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

FileHandle CreateOutputFile(const char16_t* path) {
  HANDLE file =
      ::CreateFileW(reinterpret_cast<const wchar_t*>(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

}  // namespace platform
