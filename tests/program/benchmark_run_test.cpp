// The benchmark run at small sizes on the fake platform: what it prints, what it
// leaves in the array, and that every expression gives the workspace back.
#include "program/benchmark_run.h"

#include <string>

#include "runtime/arrays/array_header.h"
#include "runtime/arrays/array_operations.h"
#include "runtime/strings/string_variable.h"
#include "tests/fake/fake_time.h"
#include "tests/program/progress_fixture.h"

namespace {

class BenchmarkRunTest : public ProgressTest {
 protected:
  void SetUp() override {
    ProgressTest::SetUp();
    InstallArrayOperations();
    inputPositions().clear();
    savedInput_ = InputLineHook;
    InputLineHook = [](std::int32_t position) -> std::int64_t {
      inputPositions().push_back(position);
      return 0;
    };
  }
  void TearDown() override {
    InputLineHook = savedInput_;
    ProgressTest::TearDown();
  }
  static std::vector<std::int32_t>& inputPositions() {
    static std::vector<std::int32_t> positions;
    return positions;
  }

 private:
  InputLineFunction savedInput_ = nullptr;
};

TEST_F(BenchmarkRunTest, PrintsTheHeaderAProgressLinePerIntervalAndTheTotal) {
  WorkingSetBytes() = 2048 * 1024;
  RunBenchmark({25, 5, 10});

  const std::vector<std::u16string> expected = {
      u"   Loops      MemoryUsage      duration for 10 passes",
      u"      0\t         2.048 K\t         0ms",
      u"     10\t         2.048 K\t         0ms",
      u"     20\t         2.048 K\t         0ms",
      u"Total Time: 0 seconds",
  };
  EXPECT_EQ(Lines(), expected);
  EXPECT_EQ(inputPositions(), std::vector<std::int32_t>{0});  // one line is waited for
  EXPECT_EQ(StringWorkspace.position, 0);
}

TEST_F(BenchmarkRunTest, LeavesEveryElementHoldingAnEmptyTenByteBlock) {
  RunBenchmark({25, 5, 10});
  EXPECT_EQ(ProgramGlobals.PassCount, 25);
  EXPECT_EQ(ProgramGlobals.PassIndex, 26);
  EXPECT_EQ(std::u16string(ProgramGlobals.BigString), u"     ");

  ASSERT_NE(ProgramGlobals.StringArray, nullptr);
  EXPECT_EQ(HeaderOf(ProgramGlobals.StringArray)->elementCount, 26);
  EXPECT_EQ(HeaderOf(ProgramGlobals.StringArray)->typeCode, 8);
  auto* elements = static_cast<StringVariable*>(ProgramGlobals.StringArray);
  for (int i = 0; i < 26; ++i) {
    ASSERT_NE(elements[i], nullptr) << i;
    EXPECT_EQ(elements[i][0], u'\0');
    EXPECT_EQ(fake::BlockBytes(elements[i]), 10u);
  }
}

TEST_F(BenchmarkRunTest, TotalTimeCountsWholeSecondsFromTheStart) {
  // Each counter reading is 0.7 s after the one before: the first reading sets the
  // base, then start, 2 readings at each of 3 checkpoints, and the end.
  fake::SetCounterFrequency(10'000'000);
  fake::SetCounterStep(7'000'000);
  RunBenchmark({25, 5, 10});
  EXPECT_EQ(Lines()[1], u"      0\t             0 K\t       700ms");
  EXPECT_EQ(Lines()[2], u"     10\t             0 K\t       700ms");
  EXPECT_EQ(Lines().back(), u"Total Time: 4 seconds");  // 7 steps of 0.7 s: 4.9 s
}

}  // namespace
