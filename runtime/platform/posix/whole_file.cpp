// Files written whole on Linux: a new file beside the one it replaces, put in its
// place by rename(), which swaps the name over in one step.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/platform/platform.h"
#include "runtime/platform/posix/file_handle.h"
#include "runtime/platform/posix/utf8.h"

namespace platform {

FileHandle OpenExistingFile(const char16_t* path, SystemError* error) {
  // Non-blocking, so that a FIFO without a reader is refused, not waited on.
  const int descriptor =
      ::open(FileNameBytes(path).c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor >= 0) return HandleOfDescriptor(descriptor);
  *error = errno == ENOENT ? 0 : LastSystemError();
  return nullptr;
}

FileHandle CreateNewFile(const char16_t* path, SystemError* error) {
  const int descriptor =
      ::open(FileNameBytes(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) *error = LastSystemError();
  return descriptor < 0 ? nullptr : HandleOfDescriptor(descriptor);
}

bool IsDiskFile(FileHandle file) {
  struct stat status;
  return ::fstat(DescriptorOf(file), &status) == 0 && S_ISREG(status.st_mode);
}

SystemError PutFileInPlace(const char16_t* from, const char16_t* to) {
  if (::rename(FileNameBytes(from).c_str(), FileNameBytes(to).c_str()) == 0) return 0;
  return LastSystemError();
}

void RemoveFile(const char16_t* path) {
  ::unlink(FileNameBytes(path).c_str());
}

}  // namespace platform
