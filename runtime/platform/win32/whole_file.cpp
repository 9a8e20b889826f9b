// Files written whole on Windows: a new file beside the one it replaces, put in
// its place by MoveFileExW, which swaps the name over in one step.
#include <windows.h>

#include "runtime/platform/platform.h"

namespace platform {

namespace {

const wchar_t* Wide(const char16_t* path) {
  return reinterpret_cast<const wchar_t*>(path);
}

}  // namespace

FileHandle OpenExistingFile(const char16_t* path, SystemError* error) {
  // Shared as far as can be, so that a file a standard handle writes opens too.
  HANDLE file = ::CreateFileW(Wide(path), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) return file;
  *error = LastSystemError();
  if (*error == ERROR_FILE_NOT_FOUND || *error == ERROR_PATH_NOT_FOUND) *error = 0;
  return nullptr;
}

FileHandle CreateNewFile(const char16_t* path, SystemError* error) {
  HANDLE file = ::CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) return file;
  *error = LastSystemError();
  return nullptr;
}

bool IsDiskFile(FileHandle file) {
  return ::GetFileType(file) == FILE_TYPE_DISK;
}

SystemError PutFileInPlace(FileHandle file, const char16_t* from, const char16_t* to) {
  // The new file's bytes reach the disk before its name takes the old one's
  // place; a flush that fails tells a write that failed only on its way there. A
  // file open without FILE_SHARE_DELETE could not be moved.
  const SystemError failure = ::FlushFileBuffers(file) ? 0 : LastSystemError();
  CloseFile(file);
  if (failure != 0) return failure;
  if (::MoveFileExW(Wide(from), Wide(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return 0;
  }
  return LastSystemError();
}

void RemoveFile(const char16_t* path) {
  ::DeleteFileW(Wide(path));
}

}  // namespace platform
