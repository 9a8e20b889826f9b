// Files and pipes on Windows: KERNEL32's ReadFile, WriteFile, FlushFileBuffers,
// CreateFileW and what tells files apart.
#include <windows.h>

#include <cstring>
#include <cwchar>

#include "runtime/platform/platform.h"

namespace platform {

// The read failures that count as the end of input: the writing end of a pipe
// was closed, or a named pipe's server disconnected it.
static_assert(ERROR_BROKEN_PIPE == 109);

namespace {

// A pipe, named or anonymous; not a socket, which GetFileType calls a pipe too.
bool IsPipe(HANDLE file) {
  return ::GetFileType(file) == FILE_TYPE_PIPE &&
         ::GetNamedPipeInfo(file, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

FileReadResult ReadFileBytes(FileHandle file, void* buffer, std::uint32_t bytes,
                             std::uint32_t* got) {
  DWORD count = 0;
  BOOL ok = FALSE;
  // A writer's write of no bytes reads as none; a pipe's input ends only when its
  // writer has gone (ERROR_BROKEN_PIPE), as it does on Linux.
  do {
    ok = ::ReadFile(file, buffer, bytes, &count, nullptr);
  } while (ok && count == 0 && bytes > 0 && IsPipe(file));
  *got = count;
  if (ok) return FileReadResult::Success;
  switch (::GetLastError()) {
    case ERROR_MORE_DATA:
      // A message longer than the read fills it and keeps its rest for the next.
      return FileReadResult::Success;
    case ERROR_BROKEN_PIPE:
    case ERROR_PIPE_NOT_CONNECTED:
      return FileReadResult::BrokenPipe;
    default:
      return FileReadResult::Failure;
  }
}

namespace {

// Writes all `bytes`, carrying on after a short write. A write that reports
// success without taking a byte (a full pipe that does not wait) fails with a
// reason of its own, not whatever an earlier call left behind.
bool WriteAll(HANDLE file, const void* buffer, DWORD bytes, DWORD* written) {
  const auto* at = static_cast<const unsigned char*>(buffer);
  for (*written = 0; *written < bytes;) {
    DWORD count = 0;
    if (!::WriteFile(file, at + *written, bytes - *written, &count, nullptr)) return false;
    if (count == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    *written += count;
  }
  return true;
}

}  // namespace

bool WriteFileBytes(FileHandle file, const void* buffer, std::uint32_t bytes,
                    std::uint32_t* written) {
  DWORD count = 0;
  const bool ok = WriteAll(file, buffer, bytes, &count);
  *written = count;
  return ok;
}

bool WriteTextBytes(FileHandle file, const char* text, std::size_t length) {
  // Each LF goes out as CR LF, a buffer at a time.
  char buffer[1024];
  std::size_t taken = 0;
  while (taken < length) {
    DWORD filled = 0;
    for (; taken < length && filled + 2 <= sizeof buffer; ++taken) {
      if (text[taken] == '\n') buffer[filled++] = '\r';
      buffer[filled++] = text[taken];
    }
    DWORD sent = 0;
    if (!WriteAll(file, buffer, filled, &sent)) return false;
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
  HANDLE file = ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file != INVALID_HANDLE_VALUE) return file;
  ::DeleteFileW(path);  // the empty file that GetTempFileNameW made
  return nullptr;
}

SystemError ReadFileAt(FileHandle file, std::uint64_t offset, void* buffer, std::uint32_t bytes,
                       std::uint32_t* got) {
  // The offset of a synchronous read; at the end of the file it fails with
  // ERROR_HANDLE_EOF, having read nothing. It moves the file pointer to where
  // it stopped, so the pointer, where the next write goes, is put back.
  LARGE_INTEGER where{};
  ::SetFilePointerEx(file, LARGE_INTEGER{}, &where, FILE_CURRENT);
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD count = 0;
  const bool read = ::ReadFile(file, buffer, bytes, &count, &at) != FALSE;
  *got = count;
  const DWORD error = read ? 0 : ::GetLastError();
  ::SetFilePointerEx(file, where, nullptr, FILE_BEGIN);
  return error == ERROR_HANDLE_EOF ? 0 : error;
}

FileHandle OpenOutputFile(const char16_t* path, bool* made, SystemError* error) {
  // Sharing writes lets the file be opened when it is one that a standard
  // handle writes already, so that SameFile can tell. A name that is there, a
  // link to no file among them (its attributes are its own), is opened and was
  // not made, although an open through such a link can make its target. When
  // CREATE_NEW fails, what is there is opened, and that open's failure is told.
  const auto* name = reinterpret_cast<const wchar_t*>(path);
  auto open = [name](DWORD disposition) {
    return ::CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE file = INVALID_HANDLE_VALUE;
  if (::GetFileAttributesW(name) == INVALID_FILE_ATTRIBUTES) file = open(CREATE_NEW);
  *made = file != INVALID_HANDLE_VALUE;
  if (!*made) file = open(OPEN_ALWAYS);
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

// Whether `a` and `b`, of one file number, are one file although a volume is
// unknown. Wine reports none for a file that a Linux parent opened for it, or
// one on a Linux file system that no drive letter reaches, and its file numbers
// are inode numbers, which repeat from one file system to the next.
bool SameFileOfUnknownVolume(FileHandle a, FileHandle b) {
  constexpr DWORD kPathChars = 1024;
  wchar_t first[kPathChars];
  wchar_t second[kPathChars];
  const DWORD firstLength = ::GetFinalPathNameByHandleW(a, first, kPathChars, FILE_NAME_NORMALIZED);
  const DWORD secondLength =
      ::GetFinalPathNameByHandleW(b, second, kPathChars, FILE_NAME_NORMALIZED);
  if (firstLength > 0 && firstLength < kPathChars && secondLength > 0 &&
      secondLength < kPathChars) {
    return std::wcscmp(first, second) == 0;
  }
  // A file that a Linux parent opened has no path under Wine either. What is
  // left is what every handle of one file shows alike: its times, size and
  // links. Two files of one inode number on two file systems that agree in all
  // of these are not told apart.
  FILE_BASIC_INFO times[2];
  FILE_STANDARD_INFO sizes[2];
  const FileHandle handles[2] = {a, b};
  for (int i = 0; i < 2; ++i) {
    if (!::GetFileInformationByHandleEx(handles[i], FileBasicInfo, &times[i], sizeof times[i]) ||
        !::GetFileInformationByHandleEx(handles[i], FileStandardInfo, &sizes[i], sizeof sizes[i])) {
      return false;
    }
  }
  return times[0].CreationTime.QuadPart == times[1].CreationTime.QuadPart &&
         times[0].LastWriteTime.QuadPart == times[1].LastWriteTime.QuadPart &&
         times[0].ChangeTime.QuadPart == times[1].ChangeTime.QuadPart &&
         sizes[0].EndOfFile.QuadPart == sizes[1].EndOfFile.QuadPart &&
         sizes[0].NumberOfLinks == sizes[1].NumberOfLinks;
}

}  // namespace

bool SameFile(FileHandle a, FileHandle b) {
  FileIdentity first;
  FileIdentity second;
  if (!IdentityOf(a, &first) || !IdentityOf(b, &second) ||
      std::memcmp(first.file, second.file, sizeof first.file) != 0) {
    return false;
  }
  if (first.volume != 0 && second.volume != 0) return first.volume == second.volume;
  return SameFileOfUnknownVolume(a, b);
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
