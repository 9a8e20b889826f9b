// Files and pipes on Linux: blocking reads and writes on the descriptor.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "runtime/platform/platform.h"
#include "runtime/platform/posix/file_handle.h"
#include "runtime/platform/posix/utf8.h"

namespace platform {

FileReadResult ReadFileBytes(FileHandle file, void* buffer, std::uint32_t bytes,
                             std::uint32_t* got) {
  *got = 0;
  const ssize_t count = ReadDescriptor(DescriptorOf(file), buffer, bytes);
  // A pipe whose writer has gone reads as end of file here (0 bytes); EPIPE is
  // kept apart for any file system that reports it.
  if (count < 0) return errno == EPIPE ? FileReadResult::BrokenPipe : FileReadResult::Failure;
  *got = static_cast<std::uint32_t>(count);
  return FileReadResult::Success;
}

bool WriteFileBytes(FileHandle file, const void* buffer, std::uint32_t bytes,
                    std::uint32_t* written) {
  // A blocking write on Windows writes everything; so does this one.
  std::size_t done = 0;
  const bool ok = WriteDescriptor(DescriptorOf(file), buffer, bytes, &done);
  *written = static_cast<std::uint32_t>(done);
  return ok;
}

bool WriteTextBytes(FileHandle file, const char* text, std::size_t length) {
  // LF is already the line end of text here.
  std::size_t written = 0;
  return WriteDescriptor(DescriptorOf(file), text, length, &written);
}

void FlushFile(FileHandle) {
  // write() keeps nothing back in the process: what it has written is already
  // with the file or pipe, where readers see it.
}

FileHandle OpenScratchFile() {
  // In TMPDIR, as the user may have set it, and unlinked at once: the open
  // descriptor is the only way to the file.
  const char* folder = ::getenv("TMPDIR");
  std::string path = folder != nullptr && *folder != '\0' ? folder : "/tmp";
  path += "/stringchurn-XXXXXX";
  const int descriptor = ::mkostemp(path.data(), O_CLOEXEC);
  if (descriptor < 0) return nullptr;
  ::unlink(path.c_str());
  return HandleOfDescriptor(descriptor);
}

SystemError ReadFileAt(FileHandle file, std::uint64_t offset, void* buffer, std::uint32_t bytes,
                       std::uint32_t* got) {
  ssize_t count = 0;
  do {
    count = ::pread(DescriptorOf(file), buffer, bytes, static_cast<off_t>(offset));
  } while (count < 0 && errno == EINTR);
  *got = count < 0 ? 0 : static_cast<std::uint32_t>(count);
  return count < 0 ? LastSystemError() : 0;
}

FileHandle OpenOutputFile(const char16_t* path, bool* made, SystemError* error) {
  // O_EXCL fails on any name that is there, a link included; then what is there
  // is opened (or made through the link), and that open's failure is the one told.
  const std::string name = FileNameBytes(path);
  // A terminal it opens never becomes the process's controlling one.
  constexpr int kFlags = O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC;
  int descriptor = ::open(name.c_str(), kFlags | O_EXCL, 0666);
  *made = descriptor >= 0;
  if (!*made) descriptor = ::open(name.c_str(), kFlags, 0666);
  if (descriptor < 0) *error = LastSystemError();
  return descriptor < 0 ? nullptr : HandleOfDescriptor(descriptor);
}

void CloseFile(FileHandle file) {
  ::close(DescriptorOf(file));
}

bool SameFile(FileHandle a, FileHandle b) {
  struct stat first, second;
  return ::fstat(DescriptorOf(a), &first) == 0 && ::fstat(DescriptorOf(b), &second) == 0 &&
         !S_ISCHR(first.st_mode) && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

SystemError EmptyFile(FileHandle file) {
  const int descriptor = DescriptorOf(file);
  struct stat status;
  if (::fstat(descriptor, &status) != 0) return LastSystemError();
  if (!S_ISREG(status.st_mode) || ::ftruncate(descriptor, 0) == 0) return 0;
  return LastSystemError();
}

}  // namespace platform
