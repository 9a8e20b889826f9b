// Run-time loading on this system, with a shared library that the tests build:
// the seam itself, then the LibraryTable on it, then ProgramEnd racing the main
// thread. The library's call counter starts again at 1 only when every hold on it
// was given up, which is how these tests see that nothing stayed loaded.
#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "program/program_main.h"
#include "tests/platform/libraries_fixture.h"

namespace {

using CountCalls = int (*)();

const char16_t* const ModulePath = u"" TEST_MODULE_PATH;
const char16_t* const MissingPath = u"no-such-module.dll";

// Loads the test library afresh and returns its first count (1 if nothing else
// held it), releasing it again.
int FirstCountOfAFreshLoad() {
  const std::int64_t library = LoadSharedLibrary(AnyNumber, ModulePath);
  if (library == 0) return 0;
  auto count = reinterpret_cast<CountCalls>(FindLibraryFunction(library, u"TestModuleCalls"));
  const int calls = count != nullptr ? count() : 0;
  ReleaseSharedLibrary(library);
  return calls;
}

TEST(ModuleSeamTest, LoadsFindsAndFreesAModuleAndRefusesPathsThatNameNone) {
  platform::ModuleHandle module = platform::OpenModule(ModulePath);
  ASSERT_NE(module, nullptr);
  char name[platform::FunctionNameBytes];
  ASSERT_TRUE(platform::NarrowFunctionName(u"TestModuleCalls", name));
  EXPECT_STREQ(name, "TestModuleCalls");
  auto count = reinterpret_cast<CountCalls>(platform::FindModuleSymbol(module, name));
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(count(), 2);
  EXPECT_EQ(platform::FindModuleSymbol(module, "NoSuchFunction"), nullptr);
  platform::CloseModule(module);

  module = platform::OpenModule(ModulePath);
  ASSERT_NE(module, nullptr);
  count = reinterpret_cast<CountCalls>(platform::FindModuleSymbol(module, name));
  EXPECT_EQ(count(), 1);  // unloaded in between
  platform::CloseModule(module);

  EXPECT_EQ(platform::OpenModule(MissingPath), nullptr);
  EXPECT_EQ(platform::OpenModule(u""), nullptr);
}

TEST(ModuleSeamTest, ANarrowNameTakesAtMost260BytesWithItsNul) {
  char name[platform::FunctionNameBytes];
  const std::u16string fits(platform::FunctionNameBytes - 1, u'x');
  ASSERT_TRUE(platform::NarrowFunctionName(fits.c_str(), name));
  EXPECT_EQ(std::strlen(name), platform::FunctionNameBytes - 1);
  const std::u16string overflows(platform::FunctionNameBytes, u'x');
  EXPECT_FALSE(platform::NarrowFunctionName(overflows.c_str(), name));
  ASSERT_TRUE(platform::NarrowFunctionName(u"", name));
  EXPECT_STREQ(name, "");
}

TEST_F(LibrariesTest, LoadsByNumberReplacingTheLibraryHeldThere) {
  const std::int64_t module = LoadSharedLibrary(0, ModulePath);
  ASSERT_NE(module, 0);
  auto count = reinterpret_cast<CountCalls>(FindLibraryFunction(0, u"TestModuleCalls"));
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(count(), 2);

  // The first library is freed before the second loads, so the count starts again.
  ASSERT_NE(LoadSharedLibrary(0, ModulePath), 0);
  count = reinterpret_cast<CountCalls>(FindLibraryFunction(0, u"TestModuleCalls"));
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(FindLibraryFunction(0, u"NoSuchFunction"), nullptr);

  ReleaseSharedLibrary(0);
  EXPECT_EQ(FindLibraryFunction(0, u"TestModuleCalls"), nullptr);
  EXPECT_EQ(FirstCountOfAFreshLoad(), 1);
}

TEST_F(LibrariesTest, LoadsDynamicallyAlongsideANumberAndReleasesBoth) {
  ASSERT_NE(LoadSharedLibrary(3, ModulePath), 0);
  const std::int64_t library = LoadSharedLibrary(AnyNumber, ModulePath);
  ASSERT_NE(library, 0);
  auto count = reinterpret_cast<CountCalls>(FindLibraryFunction(library, u"TestModuleCalls"));
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count(), 1);
  ReleaseSharedLibrary(library);
  EXPECT_EQ(LibraryTable->dynamicObjects, nullptr);

  // Number 3 still holds the library, so it stayed loaded with its count.
  count = reinterpret_cast<CountCalls>(FindLibraryFunction(3, u"TestModuleCalls"));
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count(), 2);
  ProgramEnd();
  EXPECT_EQ(FirstCountOfAFreshLoad(), 1);
}

TEST_F(LibrariesTest, APathThatCannotBeLoadedGivesZeroAndLeavesNothing) {
  EXPECT_EQ(LoadSharedLibrary(AnyNumber, MissingPath), 0);
  EXPECT_EQ(LoadSharedLibrary(1, MissingPath), 0);
  EXPECT_EQ(LibraryTable->dynamicObjects, nullptr);
  EXPECT_EQ(FindLibraryFunction(1, u"TestModuleCalls"), nullptr);
}

TEST_F(LibrariesTest, ProgramEndOnAnotherThreadRacingLoadsAndReleasesLeavesNothingLoaded) {
  std::atomic<bool> done{false};
  std::thread control([&done] {
    while (!done) ProgramEnd();
  });
  for (int i = 0; i < 400; ++i) {
    const std::int64_t number = i % 3 == 0 ? 1 : AnyNumber;
    const std::int64_t loaded = LoadSharedLibrary(number, ModulePath);
    ASSERT_NE(loaded, 0);
    const std::int64_t library = number == AnyNumber ? loaded : number;
    std::this_thread::yield();  // give ProgramEnd a chance to come between
    LockSharedLibraries();      // ProgramEnd must not unload the library under the call
    auto count = reinterpret_cast<CountCalls>(FindLibraryFunction(library, u"TestModuleCalls"));
    if (count != nullptr) {  // null when ProgramEnd came first
      EXPECT_GT(count(), 0);
    }
    UnlockSharedLibraries();
    ReleaseSharedLibrary(library);
  }
  done = true;
  control.join();
  ProgramEnd();

  EXPECT_EQ(LibraryTable->dynamicObjects, nullptr);
  EXPECT_EQ(FirstCountOfAFreshLoad(), 1);
}

}  // namespace
