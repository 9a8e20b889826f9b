// Windows only: the working-set query that the progress line depends on,
// "psapi.dll" loaded at run time and "GetProcessMemoryInfo" called through it.
#include <cstdint>
#include <cstring>

#include "tests/platform/libraries_fixture.h"

namespace {

// GetProcessMemoryInfo(process, counters, size of the counters record).
using GetProcessMemoryInfoFunction = int (*)(void*, void*, std::uint32_t);

constexpr std::uint32_t kCountersBytes = 72;
constexpr std::size_t kWorkingSetSizeOffset = 16;  // after cb, PageFaultCount, PeakWorkingSetSize

TEST_F(LibrariesTest, FindsAndCallsGetProcessMemoryInfoInPsapi) {
  const std::int64_t library = LoadSharedLibrary(AnyNumber, u"psapi.dll");
  ASSERT_NE(library, 0);
  auto query = reinterpret_cast<GetProcessMemoryInfoFunction>(
      FindLibraryFunction(library, u"GetProcessMemoryInfo"));
  ASSERT_NE(query, nullptr);

  alignas(8) unsigned char counters[kCountersBytes] = {};
  void* const currentProcess = reinterpret_cast<void*>(std::intptr_t{-1});
  EXPECT_NE(query(currentProcess, counters, kCountersBytes), 0);
  std::uint64_t workingSet;
  std::memcpy(&workingSet, counters + kWorkingSetSizeOffset, sizeof workingSet);
  EXPECT_GT(workingSet, 0u);

  ReleaseSharedLibrary(library);
  EXPECT_EQ(LibraryTable->dynamicObjects, nullptr);
  EXPECT_EQ(FindLibraryFunction(library, u"GetProcessMemoryInfo"), nullptr);
}

}  // namespace
