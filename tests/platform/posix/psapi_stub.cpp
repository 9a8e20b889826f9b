// A library that calls itself psapi.dll on Linux, where no such library belongs:
// the working-set probe must never load it. Its GetProcessMemoryInfo reports a
// working set of 1 GiB, which no test process has.
#include <cstdint>
#include <cstring>

extern "C" int GetProcessMemoryInfo(void*, unsigned char* counters, std::uint32_t) {
  const std::uint64_t workingSet = std::uint64_t{1} << 30;
  std::memcpy(counters + 16, &workingSet, sizeof workingSet);
  return 1;
}
