// Files and pipes on Linux: read and write on the descriptor, retried when a
// signal interrupts them.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/platform/platform.h"
#include "runtime/platform/posix/file_handle.h"

namespace platform {

FileReadResult ReadFileBytes(FileHandle file, void* buffer, std::uint32_t bytes,
                             std::uint32_t* got) {
  *got = 0;
  ssize_t count;
  do {
    count = ::read(DescriptorOf(file), buffer, bytes);
  } while (count < 0 && errno == EINTR);
  // A pipe whose writer has gone reads as end of file here (0 bytes); EPIPE is
  // kept apart for any file system that reports it.
  if (count < 0) return errno == EPIPE ? FileReadResult::BrokenPipe : FileReadResult::Failure;
  *got = static_cast<std::uint32_t>(count);
  return FileReadResult::Success;
}

bool WriteFileBytes(FileHandle file, const void* buffer, std::uint32_t bytes,
                    std::uint32_t* written) {
  // A blocking write on Windows writes everything; a signal or a full pipe can
  // make one write() shorter here, so the rest follows.
  const auto* at = static_cast<const unsigned char*>(buffer);
  *written = 0;
  while (*written < bytes) {
    const ssize_t done = ::write(DescriptorOf(file), at + *written, bytes - *written);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    *written += static_cast<std::uint32_t>(done);
  }
  return true;
}

void FlushFile(FileHandle) {
  // write() keeps nothing back in the process: what it has written is already
  // with the file or pipe, where readers see it.
}

FileHandle OpenScratchFile() {
  // Unlinked at once: the open descriptor is the only way to the file.
  char path[] = "/tmp/stringchurn-XXXXXX";
  const int descriptor = ::mkostemp(path, O_CLOEXEC);
  if (descriptor < 0) return nullptr;
  ::unlink(path);
  return HandleOfDescriptor(descriptor);
}

}  // namespace platform
