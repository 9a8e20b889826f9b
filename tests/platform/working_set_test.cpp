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

}  // namespace
