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

SystemError PutFileInPlace(FileHandle file, const char16_t* from, const char16_t* to) {
  // The new file takes the permissions of the file it replaces (of the file a
  // link there names), as an edit of that file keeps them.
  const std::string target = FileNameBytes(to);
  struct stat replaced;
  if (::stat(target.c_str(), &replaced) == 0) ::fchmod(DescriptorOf(file), replaced.st_mode & 0777);
  // The new file's bytes reach the disk before its name takes the old one's
  // place, and the folder's change after, as MOVEFILE_WRITE_THROUGH does: a
  // system that goes down meanwhile leaves the old file or the whole new one.
  // fsync() also tells a write that failed only on its way to the disk.
  const SystemError failure = ::fsync(DescriptorOf(file)) == 0 ? 0 : LastSystemError();
  CloseFile(file);
  if (failure != 0) return failure;
  if (::rename(FileNameBytes(from).c_str(), target.c_str()) != 0) return LastSystemError();
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const int directory = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory >= 0) {
    ::fsync(directory);  // the new file is in place: a failure here changes nothing
    ::close(directory);
  }
  return 0;
}

void RemoveFile(const char16_t* path) {
  ::unlink(FileNameBytes(path).c_str());
}

}  // namespace platform
