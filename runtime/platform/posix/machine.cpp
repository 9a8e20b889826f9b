// The machine as Linux describes it: /proc/cpuinfo, sysconf, uname and the
// real-time clock.
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/platform/platform.h"
#include "runtime/platform/posix/utf8.h"
#include "runtime/platform/processor_brand.h"

namespace platform {

void ProcessorName(char16_t* text, std::size_t capacity) {
  if (std::FILE* cpuinfo = std::fopen("/proc/cpuinfo", "re")) {
    char line[512];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, cpuinfo) != nullptr) {
      const char* colon = std::strchr(line, ':');
      found = std::strncmp(line, "model name", 10) == 0 && colon != nullptr;
      if (found) CopyUtf8Name(colon + 1, std::strlen(colon + 1), text, capacity);
    }
    std::fclose(cpuinfo);
    if (found && text[0] != u'\0') return;
  }
  ProcessorBrandString(text, capacity);
}

std::int64_t LogicalProcessorCount() {
  const long count = ::sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? count : 0;
}

std::int64_t PhysicalMemoryBytes() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageBytes = ::sysconf(_SC_PAGESIZE);
  return pages > 0 && pageBytes > 0 ? std::int64_t{pages} * pageBytes : 0;
}

void SystemName(char16_t* text, std::size_t capacity) {
  struct utsname names;
  std::string name;
  if (::uname(&names) == 0) {
    name = std::string(names.sysname) + " " + names.release + " " + names.machine;
  }
  CopyUtf8Name(name.data(), name.size(), text, capacity);
}

std::int64_t UtcSeconds() {
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec;
}

}  // namespace platform
