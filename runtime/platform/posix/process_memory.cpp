// Process memory on Linux: the resident set size, from /proc/self/statm (its
// second field, in pages). Only the calling process can be named.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "runtime/platform/platform.h"

namespace platform {

namespace {

// The pseudo-handle of the calling process, the value GetCurrentProcess gives.
constexpr std::int64_t kCurrentProcess = -1;

}  // namespace

std::int64_t CurrentProcess() {
  return kCurrentProcess;
}

bool ReadWorkingSetDirectly(std::int64_t process, std::int64_t* bytes) {
  if (process != kCurrentProcess) return false;
  const int file = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
  if (file < 0) return false;
  char text[128];
  ssize_t length;
  do {
    length = ::read(file, text, sizeof text - 1);
  } while (length < 0 && errno == EINTR);
  ::close(file);
  if (length <= 0) return false;
  text[length] = '\0';

  // "size resident shared text lib data dt": skip the size, read the resident pages.
  char* end = nullptr;
  std::strtoll(text, &end, 10);
  if (end == text) return false;
  const char* residentText = end;
  const long long resident = std::strtoll(residentText, &end, 10);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  if (end == residentText || resident < 0 || pageSize <= 0) return false;
  *bytes = resident * pageSize;
  return true;
}

}  // namespace platform
