// Files and pipes on Windows: KERNEL32's ReadFile, WriteFile, FlushFileBuffers,
// CreateFileW and what tells files apart.
#include <windows.h>

#include <cstring>

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

FileHandle OpenOutputFile(const char16_t* path, SystemError* error) {
  // Sharing writes lets the file be opened when it is one that a standard
  // handle writes already, so that SameFile can tell.
  HANDLE file = ::CreateFileW(reinterpret_cast<const wchar_t*>(path), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = LastSystemError();
    return nullptr;
  }
  return file;
}

void CloseFile(FileHandle file) {
  ::CloseHandle(file);
}

namespace {

// Where a file lies: the serial number of its volume (0 when the system cannot
// tell) and the file's number there.
struct FileIdentity {
  std::uint64_t volume = 0;
  unsigned char file[16] = {};
};

bool IdentityOf(FileHandle handle, FileIdentity* identity) {
  if (::GetFileType(handle) != FILE_TYPE_DISK) return false;
  FILE_ID_INFO id;
  if (::GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id)) {
    identity->volume = id.VolumeSerialNumber;
    std::memcpy(identity->file, id.FileId.Identifier, sizeof identity->file);
    return true;
  }
  // Before Windows 8 there is only the 64-bit index.
  BY_HANDLE_FILE_INFORMATION information;
  if (!::GetFileInformationByHandle(handle, &information)) return false;
  identity->volume = information.dwVolumeSerialNumber;
  const std::uint64_t index =
      (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
  std::memcpy(identity->file, &index, sizeof index);
  return true;
}

}  // namespace

bool SameFile(FileHandle a, FileHandle b) {
  FileIdentity first, second;
  if (!IdentityOf(a, &first) || !IdentityOf(b, &second)) return false;
  // Wine cannot place a file that a Linux parent opened for it on a volume and
  // reports 0; the file's number (its inode) decides alone then.
  const bool volumesMatch =
      first.volume == second.volume || first.volume == 0 || second.volume == 0;
  return volumesMatch && std::memcmp(first.file, second.file, sizeof first.file) == 0;
}

SystemError EmptyFile(FileHandle file) {
  if (::GetFileType(file) != FILE_TYPE_DISK) return 0;
  if (::SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !::SetEndOfFile(file)) {
    return LastSystemError();
  }
  return 0;
}

}  // namespace platform
