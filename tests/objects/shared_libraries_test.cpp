// The LibraryTable on scripted modules: loads by number and by AnyNumber, lookups,
// the release order of ProgramEnd, identifiers that name no library, and
// ProgramEnd racing the main thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "program/benchmark_run.h"
#include "program/globals.h"
#include "program/program_main.h"
#include "runtime/objects/shared_libraries.h"
#include "runtime/program_heap.h"
#include "tests/fake/fake_modules.h"
#include "tests/fake/fake_platform.h"

namespace {

int Exported(int x) {
  return x + 1;
}
void* const ExportedAddress = reinterpret_cast<void*>(&Exported);

using Calls = std::vector<std::string>;

class SharedLibrariesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    ProgramHeap = platform::CreatePrivateHeap();
    fake::ScriptModule(u"psapi.dll", {{"GetProcessMemoryInfo", ExportedAddress}});
    fake::ScriptModule(u"other.dll");
    InitSharedLibraries();
  }
  void TearDown() override {
    DetachSharedLibraries();
    fake::Reset();
  }
  static std::size_t LiveBlocks() { return fake::LiveBlocks(ProgramHeap); }
  // The module handle of the nth load made by the fake.
  static std::int64_t Module(int nth) { return nth; }
};

TEST_F(SharedLibrariesTest, AFailedDynamicLoadLeavesNoObjectBehind) {
  EXPECT_EQ(LoadSharedLibrary(AnyNumber, nullptr), 0);
  EXPECT_EQ(LoadSharedLibrary(AnyNumber, u"missing.dll"), 0);
  EXPECT_EQ(LibraryTable->dynamicObjects, nullptr);
  EXPECT_EQ(LiveBlocks(), 2u);
  EXPECT_EQ(fake::ModuleCalls(), Calls{"OpenModule missing.dll -> failed"});

  fake::FailAllocation(1);
  EXPECT_EQ(LoadSharedLibrary(AnyNumber, u"psapi.dll"), 0);
  EXPECT_EQ(fake::LoadedModules(), 0u);
}

TEST_F(SharedLibrariesTest, LoadingIntoANumberInUseFreesTheFirstLibraryBeforeTheSecondLoads) {
  EXPECT_EQ(LoadSharedLibrary(3, u"psapi.dll"), Module(1));
  EXPECT_EQ(LoadSharedLibrary(3, u"other.dll"), Module(2));
  EXPECT_EQ(fake::ModuleCalls(),
            (Calls{"OpenModule psapi.dll -> 1", "CloseModule 1", "OpenModule other.dll -> 2"}));
  EXPECT_EQ(fake::LoadedModules(), 1u);
}

TEST_F(SharedLibrariesTest, AFailedLoadIntoANumberInUseLeavesTheNumberEmpty) {
  ASSERT_EQ(LoadSharedLibrary(3, u"psapi.dll"), Module(1));
  EXPECT_EQ(LoadSharedLibrary(3, u"missing.dll"), 0);
  EXPECT_EQ(FindLibraryFunction(3, u"GetProcessMemoryInfo"), nullptr);
  EXPECT_EQ(fake::LoadedModules(), 0u);
  EXPECT_NE(LibraryTable->slots[3], nullptr);  // cleared, and kept for the next load

  EXPECT_EQ(LoadSharedLibrary(7, nullptr), 0);
  EXPECT_EQ(FindLibraryFunction(7, u"GetProcessMemoryInfo"), nullptr);
  EXPECT_EQ(fake::ModuleCalls(), (Calls{"OpenModule psapi.dll -> 1", "CloseModule 1",
                                        "OpenModule missing.dll -> failed"}));
}

TEST_F(SharedLibrariesTest, ADynamicLibraryIsFoundAndReleasedThroughItsHandle) {
  const std::int64_t library = LoadSharedLibrary(AnyNumber, u"psapi.dll");
  ASSERT_NE(library, 0);
  EXPECT_NE(library, Module(1));  // the handle of the object, not of the module
  EXPECT_EQ(FindLibraryFunction(library, u"GetProcessMemoryInfo"), ExportedAddress);
  EXPECT_EQ(FindLibraryFunction(library, u"GetProcessMemoryInfoX"), nullptr);

  ReleaseSharedLibrary(library);
  EXPECT_EQ(LibraryTable->dynamicObjects, nullptr);
  EXPECT_EQ(fake::LoadedModules(), 0u);
  EXPECT_EQ(LiveBlocks(), 2u);

  // The handle is dead now: it names nothing, and releasing it again frees nothing.
  EXPECT_EQ(FindLibraryFunction(library, u"GetProcessMemoryInfo"), nullptr);
  ReleaseSharedLibrary(library);
  EXPECT_EQ(fake::ModuleCalls(),
            (Calls{"OpenModule psapi.dll -> 1", "FindModuleSymbol 1 GetProcessMemoryInfo",
                   "FindModuleSymbol 1 GetProcessMemoryInfoX", "CloseModule 1"}));
}

TEST_F(SharedLibrariesTest, ReleasingAllFreesNumberedLibrariesAscendingThenDynamicOnesNewestFirst) {
  LoadSharedLibrary(2, u"psapi.dll");                                 // module 1
  const std::int64_t a = LoadSharedLibrary(AnyNumber, u"psapi.dll");  // module 2
  LoadSharedLibrary(0, u"other.dll");                                 // module 3
  const std::int64_t b = LoadSharedLibrary(AnyNumber, u"other.dll");  // module 4

  ReleaseSharedLibrary(AnyNumber);
  const Calls& calls = fake::ModuleCalls();
  EXPECT_EQ(Calls(calls.end() - 4, calls.end()),
            (Calls{"CloseModule 3", "CloseModule 1", "CloseModule 4", "CloseModule 2"}));
  EXPECT_EQ(LibraryTable->dynamicObjects, nullptr);
  EXPECT_EQ(static_cast<LibraryObject*>(LibraryTable->slots[0])->module, nullptr);
  EXPECT_EQ(static_cast<LibraryObject*>(LibraryTable->slots[2])->module, nullptr);
  EXPECT_EQ(FindLibraryFunction(a, u"GetProcessMemoryInfo"), nullptr);
  EXPECT_EQ(FindLibraryFunction(b, u"GetProcessMemoryInfo"), nullptr);
}

TEST_F(SharedLibrariesTest, LookupsThatNeedNoLibraryDoNotReachTheModule) {
  const std::int64_t library = LoadSharedLibrary(AnyNumber, u"psapi.dll");
  EXPECT_EQ(FindLibraryFunction(library, nullptr), nullptr);
  EXPECT_EQ(FindLibraryFunction(5, u"GetProcessMemoryInfo"), nullptr);    // never loaded
  EXPECT_EQ(FindLibraryFunction(100, u"GetProcessMemoryInfo"), nullptr);  // beyond the slots
  EXPECT_EQ(FindLibraryFunction(library + 8, u"GetProcessMemoryInfo"), nullptr);
  ReleaseSharedLibrary(library + 8);
  ReleaseSharedLibrary(5);
  EXPECT_EQ(fake::ModuleCalls(), Calls{"OpenModule psapi.dll -> 1"});
}

TEST_F(SharedLibrariesTest, ANameWhoseNarrowFormOverflowsTheLookupBufferFindsNothing) {
  const std::int64_t library = LoadSharedLibrary(AnyNumber, u"psapi.dll");
  const std::u16string fits(platform::FunctionNameBytes - 1, u'a');  // 259 bytes and the NUL
  const std::u16string overflows(platform::FunctionNameBytes, u'a');
  EXPECT_EQ(FindLibraryFunction(library, fits.c_str()), nullptr);
  EXPECT_EQ(fake::ModuleCalls().back(), "FindModuleSymbol 1 " + std::string(259, 'a'));
  EXPECT_EQ(FindLibraryFunction(library, overflows.c_str()), nullptr);
  EXPECT_EQ(fake::ModuleCalls().size(), 2u);
}

TEST_F(SharedLibrariesTest, ANumberBelowAnyNumberLoadsNothing) {
  EXPECT_EQ(LoadSharedLibrary(-2, u"psapi.dll"), 0);
  EXPECT_EQ(LoadSharedLibrary(INT64_MIN, u"psapi.dll"), 0);
  EXPECT_TRUE(fake::ModuleCalls().empty());
  EXPECT_EQ(LiveBlocks(), 2u);
}

TEST_F(SharedLibrariesTest, ProgramEndReleasesEverythingOnceAndLeavesTheTableUsable) {
  LoadSharedLibrary(1, u"psapi.dll");
  LoadSharedLibrary(AnyNumber, u"other.dll");
  ProgramEnd();
  EXPECT_EQ(fake::LoadedModules(), 0u);
  const std::size_t calls = fake::ModuleCalls().size();
  ProgramEnd();
  EXPECT_EQ(fake::ModuleCalls().size(), calls);

  EXPECT_EQ(LoadSharedLibrary(1, u"psapi.dll"), Module(3));
  EXPECT_EQ(FindLibraryFunction(1, u"GetProcessMemoryInfo"), ExportedAddress);
}

TEST_F(SharedLibrariesTest, ProgramEndFindsNothingOnceTheTableIsDetached) {
  LoadSharedLibrary(1, u"psapi.dll");
  ProgramEnd();
  DetachSharedLibraries();
  ProgramEnd();
  EXPECT_EQ(LoadSharedLibrary(AnyNumber, u"psapi.dll"), 0);
  EXPECT_EQ(FindLibraryFunction(1, u"GetProcessMemoryInfo"), nullptr);
  ReleaseSharedLibrary(1);
  EXPECT_EQ(fake::ModuleCalls(), (Calls{"OpenModule psapi.dll -> 1", "CloseModule 1"}));
}

TEST_F(SharedLibrariesTest, AHeldTableKeepsProgramEndWaitingUntilTheFunctionHasReturned) {
  const std::int64_t library = LoadSharedLibrary(AnyNumber, u"psapi.dll");
  LockSharedLibraries();
  auto* function =
      reinterpret_cast<int (*)(int)>(FindLibraryFunction(library, u"GetProcessMemoryInfo"));
  std::atomic<bool> ended{false};
  std::thread control([&ended] {
    ProgramEnd();
    ended = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(ended);
  EXPECT_EQ(function(1), 2);
  EXPECT_EQ(fake::LoadedModules(), 1u);
  UnlockSharedLibraries();
  control.join();
  EXPECT_EQ(fake::LoadedModules(), 0u);
  ReleaseSharedLibrary(library);  // dead by now: ignored
}

TEST_F(SharedLibrariesTest, ProgramEndRacingLoadsAndReleasesLeavesNothingLoadedAndNoBlockBehind) {
  std::atomic<bool> done{false};
  std::thread control([&done] {
    while (!done) {
      ProgramEnd();
      std::this_thread::yield();
    }
  });
  for (int i = 0; i < 5000; ++i) {
    const std::int64_t number = i % 4 == 0 ? 1 : AnyNumber;
    const std::int64_t loaded = LoadSharedLibrary(number, u"psapi.dll");
    const std::int64_t library = number == AnyNumber ? loaded : number;
    std::this_thread::yield();  // give ProgramEnd a chance to come between
    LockSharedLibraries();
    auto* function =
        reinterpret_cast<int (*)(int)>(FindLibraryFunction(library, u"GetProcessMemoryInfo"));
    if (function != nullptr) {  // null when ProgramEnd came first
      EXPECT_EQ(function(i), i + 1);
    }
    UnlockSharedLibraries();
    ReleaseSharedLibrary(library);
  }
  done = true;
  control.join();
  ProgramEnd();

  EXPECT_EQ(fake::LoadedModules(), 0u);
  EXPECT_EQ(LibraryTable->dynamicObjects, nullptr);
  EXPECT_EQ(LiveBlocks(), 3u);  // the table, its slots and the block of number 1
}

TEST(ProgramFrameLibrariesTest, StartUpCreatesTheTableAndShutdownLeavesNoneBehind) {
  fake::Reset();
  EXPECT_EQ(fake::ExitCodeOf([] { ProgramMainSized({0, 1, 1}); }), 0u);
  const Calls& calls = fake::Calls();
  const Calls tableAndSlots{"AllocateBlock 48 zero", "AllocateBlock 128 zero"};  // 16 slots
  EXPECT_NE(std::search(calls.begin(), calls.end(), tableAndSlots.begin(), tableAndSlots.end()),
            calls.end());
  // The ProgramHeap that held the table is gone; a late close event finds nothing.
  EXPECT_EQ(LibraryTable, nullptr);
  ProgramEnd();
  fake::Reset();
}

}  // namespace
