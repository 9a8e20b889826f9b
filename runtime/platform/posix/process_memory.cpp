// Process memory on Linux: the resident set size, from /proc/self/statm (its
// second field, in pages). Only the calling process can be named.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "runtime/platform/platform.h"
#include "runtime/platform/posix/file_handle.h"

namespace platform {

namespace {

// The pseudo-handle of the calling process, the value GetCurrentProcess gives.
constexpr std::int64_t kCurrentProcess = -1;

}  // namespace

std::int64_t CurrentProcess() {
  return kCurrentProcess;
}

namespace {

// The resident set size of the calling process in bytes, or 0 when it cannot be read.
std::int64_t ResidentBytes() {
  const int file = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
  if (file < 0) return 0;
  char text[128];
  const ssize_t length = ReadDescriptor(file, text, sizeof text - 1);
  ::close(file);
  if (length <= 0) return 0;
  text[length] = '\0';

  // "size resident shared text lib data dt": skip the size, read the resident pages.
  char* end = nullptr;
  std::strtoll(text, &end, 10);
  if (end == text) return 0;
  const char* residentText = end;
  const long long resident = std::strtoll(residentText, &end, 10);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  if (end == residentText || resident < 0 || pageSize <= 0) return 0;
  return resident * pageSize;
}

}  // namespace

bool ReadWorkingSetDirectly(std::int64_t process, std::int64_t* bytes) {
  // Linux has no psapi.dll: the figure is the system's or nothing, never a
  // library's that happens to bear that name.
  *bytes = process == kCurrentProcess ? ResidentBytes() : 0;
  return true;
}

}  // namespace platform
