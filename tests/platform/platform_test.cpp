// The real platform of the system the tests run on (natively, or under Wine):
// the counter, the scratch file, the system's words for an error, run-time
// loading through the LibraryTable with a library of the tests' own, and the
// working set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "program/working_set.h"
#include "runtime/memory/heaps.h"
#include "runtime/objects/shared_libraries.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/processor_brand.h"

namespace {

TEST(PlatformTest, TheCounterIsFastEnoughAndNeverGoesBack) {
  std::int64_t frequency = 0;
  std::int64_t previous = 0;
  std::int64_t reading = 0;
  ASSERT_TRUE(platform::QueryCounterFrequency(&frequency));
  ASSERT_TRUE(platform::QueryCounter(&previous));
  EXPECT_GE(frequency, 1000);
  for (int i = 0; i < 10'000; ++i, previous = reading) {
    ASSERT_TRUE(platform::QueryCounter(&reading));
    ASSERT_GE(reading, previous);
  }
  EXPECT_NE(platform::TickCount(), 0u);
}

TEST(PlatformTest, AScratchFileIsADiskFileThatGivesItsBytesBack) {
  std::uint32_t written = 0;
  platform::FileHandle scratch = platform::OpenScratchFile();
  EXPECT_TRUE(platform::WriteFileBytes(scratch, u"Hi\r\n", 8, &written));
  EXPECT_EQ(written, 8u);
  char16_t back[8] = {};
  EXPECT_EQ(platform::ReadFileBytes(scratch, back, sizeof back, &written),
            platform::FileReadResult::Success);  // at its end
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(platform::IsDiskFile(scratch));
  for (const std::uint64_t offset : {2, 8}) {
    EXPECT_EQ(platform::ReadFileAt(scratch, offset, back, sizeof back, &written), 0);
    EXPECT_EQ(std::u16string(back, written / 2), std::u16string(u"i\r\n").substr(offset / 2 - 1));
  }
  // A read leaves the next write where it would have gone: at the end.
  EXPECT_EQ(platform::ReadFileAt(scratch, 0, back, 2, &written), 0);
  EXPECT_TRUE(platform::WriteFileBytes(scratch, u"!", 2, &written));
  EXPECT_EQ(platform::ReadFileAt(scratch, 0, back, sizeof back, &written), 0);
  EXPECT_EQ(std::u16string(back, written / 2), u"Hi\r\n!");
  platform::CloseFile(scratch);
}

// The system's words for error 2 (no such file, on both systems) and the
// machine's names (the processor's own too), each cut to a room one short of it.
TEST(PlatformTest, TheSystemsWordsAreCutToTheRoom) {
  void (*const sources[])(char16_t*, std::size_t) = {
      [](char16_t* text, std::size_t room) { platform::DescribeSystemError(2, text, room); },
      platform::ProcessorName, platform::ProcessorBrandString, platform::SystemName};
  for (const auto source : sources) {
    char16_t words[256];
    source(words, 256);
    const std::u16string whole = words;
    if (whole.empty()) continue;  // a processor that names itself nowhere
    std::fill(words, words + 256, u'#');
    source(words, whole.size());
    EXPECT_EQ(std::u16string(words, whole.size() + 1),
              whole.substr(0, whole.size() - 1) + u'\0' + u'#');
  }
}

const char16_t* const ModulePath = u"" TEST_MODULE_PATH;
using CountCalls = int (*)();

class LibrariesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProgramHeap = CreatePrivateHeap();
    InitSharedLibraries();
  }
  void TearDown() override {
    ReleaseAllSharedLibraries();
    DetachSharedLibraries();
    DestroyPrivateHeap(ProgramHeap);
  }
  // The library's count of calls since it was loaded: 1 on the first call.
  static int Count(std::int64_t library) {
    auto count = reinterpret_cast<CountCalls>(FindLibraryFunction(library, u"TestModuleCalls"));
    return count == nullptr ? 0 : count();
  }
};

TEST_F(LibrariesTest, LoadsFindsAndUnloadsWhatTheLastReleaseLetsGo) {
  ASSERT_NE(LoadSharedLibrary(0, ModulePath), 0);
  const std::int64_t dynamic = LoadSharedLibrary(AnyNumber, ModulePath);
  EXPECT_EQ(Count(0), 1);
  EXPECT_EQ(Count(dynamic), 2);  // one module, held twice
  ReleaseSharedLibrary(dynamic);
  EXPECT_EQ(Count(0), 3);
  ASSERT_NE(LoadSharedLibrary(0, ModulePath), 0);  // freed before it loads again
  EXPECT_EQ(Count(0), 1);
  const std::u16string longName(platform::FunctionNameBytes, u'x');
  EXPECT_EQ(FindLibraryFunction(0, longName.c_str()), nullptr);
  // Names whose narrow form would be only a look-alike of the function's, and
  // names with a lone surrogate, which have no exact narrow form.
  for (const char16_t* inexact : {u"\uFF34estModuleCalls", u"T\u0113stModuleCalls"})
    EXPECT_EQ(FindLibraryFunction(0, inexact), nullptr);
  char narrow[platform::FunctionNameBytes];
  const std::u16string lone[] = {u"a\xDC00", u"\xDFFF", u"\xD800", {u'a', 0xDBFF, u'b'}};
  for (const std::u16string& name : lone)
    EXPECT_FALSE(platform::NarrowFunctionName(name.c_str(), narrow));
  EXPECT_EQ(FindLibraryFunction(0, u"NoSuchFunction"), nullptr);
  for (const char16_t* path : {u"no-such-module.dll", u""})
    EXPECT_EQ(LoadSharedLibrary(1, path), 0);
  ReleaseAllSharedLibraries();
  ASSERT_NE(LoadSharedLibrary(2, ModulePath), 0);  // the number names it, not the module handle
  EXPECT_EQ(Count(2), 1);
}

TEST_F(LibrariesTest, TheWorkingSetShowsTheMemoryThisProcessTouches) {
  const std::int64_t process = platform::CurrentProcess();
  const std::int64_t before = QueryWorkingSetKB(process);
  EXPECT_GT(before, 0);
  constexpr std::size_t kTouched = 64 << 20;
  auto block = std::make_unique<char[]>(kTouched);
  std::memset(block.get(), 1, kTouched);
  const std::int64_t grown = QueryWorkingSetKB(process) - before;
  EXPECT_GE(grown, 48 * 1024);
  EXPECT_LE(grown, 80 * 1024);
  EXPECT_EQ(LibraryTable->dynamicObjects, nullptr);  // nothing stays loaded
  // Where the system gives the figure itself, another process is 0: no library
  // that calls itself psapi.dll is asked.
  std::int64_t bytes = 0;
  if (platform::ReadWorkingSetDirectly(process, &bytes)) {
    EXPECT_EQ(QueryWorkingSetKB(12345), 0);
  }
}

}  // namespace
