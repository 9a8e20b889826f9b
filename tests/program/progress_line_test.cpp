// The progress line: its 37-character layout, the working set as the probe finds
// it, and what the line leaves behind.
#include "program/progress_line.h"

#include "program/working_set.h"
#include "tests/program/progress_fixture.h"

namespace {

struct LineCase {
  std::int64_t pass;
  std::uint64_t workingSetBytes;
  std::int64_t durationMs;
  const char16_t* line;
};

const LineCase kLines[] = {
    {10000, 15'601'664, 1234, u"  10000\t        15.236 K\t      1234ms"},
    {0, 1'234'567ull * 1024, 0, u"      0\t     1.234.567 K\t         0ms"},
    {5, 999 * 1024 + 1023, 7, u"      5\t           999 K\t         7ms"},
    {5, 1000 * 1024, 7, u"      5\t         1.000 K\t         7ms"},
    {12'345'678, 0, 12'345'678'901, u"1234567\t             0 K\t1234567890ms"},
    {-1, 2048, -5, u"     -1\t             2 K\t        -5ms"},
};

TEST_F(ProgressTest, LinesHaveTheTableLayout) {
  for (const LineCase& c : kLines) {
    WorkingSetBytes() = c.workingSetBytes;
    const std::int64_t before = StringWorkspace.position;
    EXPECT_EQ(PrintProgressLine(c.pass, c.durationMs), 0);
    EXPECT_EQ(StringWorkspace.position, before);
    ASSERT_FALSE(Lines().empty());
    EXPECT_EQ(Lines().back(), c.line);
    EXPECT_EQ(Lines().back().size(), 37u);
  }
  EXPECT_EQ(fake::CurrentProcessCalls(), 1);  // the handle is kept from the first line
  EXPECT_EQ(fake::LoadedModules(), 0u);       // psapi.dll is released after every line
}

TEST_F(ProgressTest, AWorkingSetThatCannotBeReadShowsAsZero) {
  WorkingSetBytes() = 5'000'000;
  Succeeds() = 0;  // the call reports failure
  EXPECT_EQ(QueryWorkingSetKB(fake::FakeProcessHandle), 0);

  fake::ResetModules();
  fake::ScriptModule(u"psapi.dll");  // the function is missing: still released
  EXPECT_EQ(QueryWorkingSetKB(fake::FakeProcessHandle), 0);
  EXPECT_EQ(fake::ModuleCalls().back(), "CloseModule 1");

  fake::ResetModules();  // no psapi.dll at all
  PrintProgressLine(3, 4);
  EXPECT_EQ(Lines().back(), u"      3\t             0 K\t         4ms");
  EXPECT_EQ(LibraryTable->dynamicObjects, nullptr);
}

TEST_F(ProgressTest, AWorkingSetTheSystemReportsDirectlyNeedsNoLibrary) {
  fake::SetDirectWorkingSet(31'800 * 1024 + 512);
  EXPECT_EQ(QueryWorkingSetKB(fake::FakeProcessHandle), 31'800);
  EXPECT_TRUE(fake::ModuleCalls().empty());
}

}  // namespace
