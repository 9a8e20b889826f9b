// The working-set probe on the real system: the program's own process has a
// working set, and memory it touches shows in the figure.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "program/working_set.h"
#include "runtime/platform/platform.h"
#include "tests/platform/libraries_fixture.h"

namespace {

using WorkingSetTest = LibrariesTest;

TEST_F(WorkingSetTest, TheOwnProcessShowsTheMemoryItTouches) {
  const std::int64_t process = platform::CurrentProcess();
  ASSERT_NE(process, 0);
  const std::int64_t before = QueryWorkingSetKB(process);
  EXPECT_GT(before, 0);

  constexpr std::size_t kTouched = 64 << 20;
  auto block = std::make_unique<char[]>(kTouched);
  std::memset(block.get(), 1, kTouched);
  EXPECT_GE(QueryWorkingSetKB(process), before + 48 * 1024);
  EXPECT_EQ(block[kTouched - 1], 1);

  EXPECT_EQ(LibraryTable->dynamicObjects, nullptr);  // nothing stays loaded
}

TEST_F(WorkingSetTest, AFigureTheSystemCannotGiveIsZero) {
  std::int64_t bytes = 0;
  if (!platform::ReadWorkingSetDirectly(platform::CurrentProcess(), &bytes)) {
    GTEST_SKIP() << "the figure comes from psapi.dll here";
  }
  // Linux names no other process; a "psapi.dll" on the library path is not asked.
  EXPECT_EQ(QueryWorkingSetKB(12345), 0);
}

}  // namespace
