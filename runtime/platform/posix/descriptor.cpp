// Blocking reads and writes on any descriptor. A descriptor that another
// program made non-blocking (the open file description is shared) would report
// that it has nothing yet; Windows handles always wait, so these wait too.
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/platform/posix/file_handle.h"

namespace platform {

namespace {

// Waits until `descriptor` is ready for `events` or in a state a read or write
// will report (an error, a hang-up). False when the wait itself fails.
bool AwaitReady(int descriptor, short events) {
  pollfd ready = {descriptor, events, 0};
  for (;;) {
    if (::poll(&ready, 1, -1) >= 0) return true;
    if (errno != EINTR) return false;
  }
}

bool WouldBlock(int error) {
  return error == EAGAIN || error == EWOULDBLOCK;
}

}  // namespace

ssize_t ReadDescriptor(int descriptor, void* buffer, std::size_t bytes) {
  for (;;) {
    const ssize_t got = ::read(descriptor, buffer, bytes);
    if (got >= 0) return got;
    if (errno == EINTR) continue;
    if (!WouldBlock(errno) || !AwaitReady(descriptor, POLLIN)) return -1;
  }
}

bool WriteDescriptor(int descriptor, const void* bytes, std::size_t length, std::size_t* written) {
  const auto* at = static_cast<const unsigned char*>(bytes);
  *written = 0;
  while (*written < length) {
    const ssize_t done = ::write(descriptor, at + *written, length - *written);
    if (done > 0) {
      *written += static_cast<std::size_t>(done);
    } else if (done == 0) {
      // No progress and no reason: the reason is ours, not an older call's.
      errno = EIO;
      return false;
    } else if (errno != EINTR && !(WouldBlock(errno) && AwaitReady(descriptor, POLLOUT))) {
      return false;
    }
  }
  return true;
}

}  // namespace platform
