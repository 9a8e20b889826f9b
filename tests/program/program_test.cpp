// The benchmark program on the fake platform: the clock, the progress line, the
// run, the frame's start-up and shutdown, and the run again with each heap call
// in turn failing.
#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "program/benchmark_run.h"
#include "program/clock.h"
#include "program/options.h"
#include "program/program_main.h"
#include "program/progress_line.h"
#include "runtime/arrays/array_header.h"
#include "runtime/console/line_hooks.h"
#include "runtime/console/print_line.h"
#include "runtime/console/read_line.h"
#include "runtime/strings/string_variable.h"
#include "tests/fixture.h"

namespace {

// Stands in for psapi.dll's function: the working set lies at byte 16 of the
// record, the peak before it is wrong on purpose, and the record comes zeroed.
std::uint64_t WorkingSetBytes;
std::int32_t GetProcessMemoryInfo(void* process, unsigned char* counters, std::uint32_t size) {
  const std::uint64_t peak = 987'654'321;
  const bool asExpected = reinterpret_cast<std::intptr_t>(process) == fake::ProcessHandle &&
                          size == 72 && counters[0] == 0 &&
                          std::memcmp(counters, counters + 1, 71) == 0;
  std::memcpy(counters + 8, &peak, 8);
  std::memcpy(counters + 16, &WorkingSetBytes, 8);
  return asExpected && WorkingSetBytes != 0;
}

std::vector<std::u16string> Lines;  // what the OutputLineHook was given

class ProgramTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    InstallPsapi();
    TicksPerMillisecond = 0;
    CounterBase = 0;
    CurrentProcessHandle = 0;
    OutputLineHook = [](const char16_t* t) -> std::int64_t {
      Lines.emplace_back(t);
      return 0;
    };
  }
  void TearDown() override {
    OutputLineHook = PrintLine;
    InputLineHook = WaitForLine;
    RuntimeTest::TearDown();
  }
  // Gives the fake a psapi.dll that reports a working set of `bytes`, and
  // forgets the lines printed so far.
  static void InstallPsapi(std::uint64_t bytes = 0) {
    fake::state.modules[u"psapi.dll"] = {
        {"GetProcessMemoryInfo", reinterpret_cast<void*>(&GetProcessMemoryInfo)}};
    WorkingSetBytes = bytes;
    Lines.clear();
  }
};

TEST_F(ProgramTest, TheClockDividesByTheTruncatedTicksPerMillisecondOrFallsBackToTheTickCount) {
  // The frequency, whether its query fails, the ticks from one counter reading
  // to the next, and the clock's readings from its first.
  const std::tuple<std::int64_t, bool, std::int64_t, std::vector<std::int64_t>> cases[] = {
      // clang-format off
      {10'000'000, false, 123'456'789, {12'345, 24'691, 37'037}},
      {10'000'000, false, 0, {0, 0}},
      {3'579'545, false, 3'579'000, {1'000, 2'000}},
      {999, false, 5, {77, 77}},
      {10'000'000, true, 5, {77, 77}}};
  // clang-format on
  for (const auto& [frequency, fails, step, readings] : cases) {
    TicksPerMillisecond = 0;
    fake::state.counter = 0;
    fake::state.frequency = frequency;
    fake::state.frequencyFails = fails;
    fake::state.counterStep = step;
    fake::state.tickCount = 77;
    std::vector<std::int64_t> read(readings.size());
    for (std::int64_t& reading : read) reading = MillisecondClock();
    EXPECT_EQ(read, readings) << frequency;
  }
  EXPECT_EQ(TicksPerMillisecond, 0);
}

TEST_F(ProgramTest, ProgressLinesHaveTheirThirtySevenCharacters) {
  // The pass, the working set in KiB (none: psapi.dll does not load), whether the
  // system gives it itself, the duration, and the line.
  const std::tuple<std::int64_t, std::optional<std::int64_t>, bool, std::int64_t, const char16_t*>
      cases[] = {
          // clang-format off
      {10'000, 15'236, false, 1'234, u"  10000\t        15.236 K\t      1234ms"},
      {0, 1'234'567, true, 0, u"      0\t     1.234.567 K\t         0ms"},
      {1, 999, false, 5, u"      1\t           999 K\t         5ms"},
      {2, 1'000, true, 5, u"      2\t         1.000 K\t         5ms"},
      {3, 0, false, 5, u"      3\t             0 K\t         5ms"},
      {4, std::nullopt, false, 5, u"      4\t             0 K\t         5ms"},
      {12'345'678, 1, false, 12'345'678'901, u"12345678\t             1 K\t12345678901ms"}};
  // clang-format on
  for (const auto& [pass, kib, direct, duration, line] : cases) {
    InstallPsapi(kib.value_or(0) * 1024 + 1023);
    if (!kib) fake::state.modules.clear();
    if (direct) fake::state.directWorkingSet = WorkingSetBytes;
    AppendText(u"kept");
    EXPECT_EQ(PrintProgressLine(pass, duration), 0);
    EXPECT_EQ(Lines, std::vector<std::u16string>{line});
    EXPECT_EQ(WorkspacePosition(), 8);  // where the line began
    TruncateWorkspace(0);
    fake::state.directWorkingSet.reset();
  }
  EXPECT_TRUE(fake::state.open.empty());  // psapi.dll is released after every line
}

// Each counter reading comes 0.7 s after the one before: a duration covers the
// passes only, not the printing of the line before it, and every batch that the
// comparison times lasts one reading, so one pass, whose figure shows no digit
// finer than one tick (0.1 us).
TEST_F(ProgramTest, TheRunPrintsEveryIntervalAndEmptiesEveryElement) {
  InstallPsapi(2048 * 1024);
  fake::state.counterStep = 7'000'000;
  InputLineHook = [](std::int32_t position) -> std::int64_t {
    Lines.push_back(u"<input>");
    return position;
  };
  fake::state.processorName = u"\"Fast\" \\ \u00e9\x01";
  fake::state.utcSeconds = 1796688910;
  RunBenchmark({25, 5, 10}, {.jsonPath = u"run.json", .compare = true});
  EXPECT_EQ(
      Lines,
      (std::vector<std::u16string>{
          u"   Loops      MemoryUsage      duration for 10 passes",
          u"      0\t         2.048 K\t       700ms", u"     10\t         2.048 K\t       700ms",
          u"     20\t         2.048 K\t       700ms", u"Total Time: 4 seconds",
          u"Compared at 5 characters on this machine:", u"  copy limit  700000.0 \u00b5s a pass",
          u"  this run    70000.00 \u00b5s a pass     0.10 x the limit",
          u"  plain C++   700000.0 \u00b5s a pass     1.00 x the limit",
          u"<input>"}));  // seven readings of 0.7 s before the comparison
  // The record holds the same figures, and the processor's name escaped.
  EXPECT_EQ(fake::state.files,
            (std::map<std::u16string, std::string>{
                {u"run.json",
                 R"({"program": {"name": "stringchurn", "version": ")" STRINGCHURN_VERSION R"("},
 "machine": {"processor": "\"Fast\" \\ \u00e9\u0001", "logical_processors": 2, "memory_bytes": 0, "system": ""},
 "started": "2026-12-08T00:15:10Z",
 "settings": {"passes": 25, "length": 5, "interval": 10},
 "progress": [
  {"pass": 0, "working_set_kib": 2048, "duration_ms": 700},
  {"pass": 10, "working_set_kib": 2048, "duration_ms": 700},
  {"pass": 20, "working_set_kib": 2048, "duration_ms": 700}],
 "total_ms": 4900,
 "compare": {"limit_us": 700000, "run_us": 70000, "plain_cxx_us": 700000}}
)"}}));
  EXPECT_EQ(std::u16string(ProgramGlobals.BigString), u"     ");
  auto* elements = static_cast<StringVariable*>(ProgramGlobals.StringArray);
  ASSERT_EQ(ProgramGlobals.PassIndex, HeaderOf(elements)->elementCount);
  for (int i = 0; i <= 25; ++i) ASSERT_EQ(fake::BlockBytes(elements[i]), 10u) << i;
  EXPECT_EQ(WorkspacePosition(), 0);
}

// The program with small sizes on its command line, a CSV file of the run and,
// with `compare`, the comparison, each batch of it lasting one 0.1-s reading.
void RunSmall(bool compare = false) {
  fake::state.arguments = {u"--passes", u"20",    u"--length=3", u"--interval",
                           u"10",       u"--csv", u"run.csv"};
  if (compare) {
    fake::state.arguments.push_back(u"--compare");
    fake::state.counterStep = 1'000'000;
  }
  ProgramMain();
}

// A library is loaded at the wait; the close event comes then, and the shutdown
// finds another one loaded.
TEST_F(ProgramTest, TheFrameClearsTheGlobalsRunsAndShutsDownInOrder) {
  fake::Reset();
  InstallPsapi();
  ProgramGlobals.ExitCode = 7;
  OutputLineHook = PrintLine;
  InputLineHook = [](std::int32_t) -> std::int64_t {
    LoadSharedLibrary(AnyNumber, u"psapi.dll");
    fake::state.handler(platform::ControlCloseEvent);
    EXPECT_TRUE(fake::state.open.empty());  // the close event released it
    return LoadSharedLibrary(AnyNumber, u"psapi.dll");
  };
  EXPECT_EQ(fake::ExitCodeOf([] { RunSmall(); }), 0u);
  EXPECT_EQ(fake::state.fileBytes,
            fake::Utf16Bytes(u"   Loops      MemoryUsage      duration for 10 passes\r\n"
                             u"      0\t             0 K\t         0ms\r\n"
                             u"     10\t             0 K\t         0ms\r\n"
                             u"     20\t             0 K\t         0ms\r\n"
                             u"Total Time: 0 seconds\r\n"));
  EXPECT_EQ(fake::state.files[u"run.csv"],
            "pass,working_set_kib,duration_ms\n0,0,0\n10,0,0\n20,0,0\n");
  const std::vector<std::string> last(fake::state.released.end() - 5, fake::state.released.end());
  EXPECT_EQ(last, (std::vector<std::string>{"module psapi.dll", "module psapi.dll", "heap 2",
                                            "heap 1", "exit 0"}));
  EXPECT_TRUE(fake::state.heaps.empty());
  fake::state.arguments = {u"--passes", u"-1"};  // a bad command line runs nothing
  EXPECT_EQ(fake::ExitCodeOf(ProgramMain), 2u);
  EXPECT_EQ(fake::state.standardError,
            "stringchurn: --passes takes a whole number from 0 to 1152921504606846968, not "
            "\"-1\"\nTry 'stringchurn --help'.\n");
  // The version goes to a console as a line does; elsewhere as plain text (end-to-end cases).
  fake::state.arguments = {u"-V"};
  fake::state.outputIsConsole = true;
  EXPECT_EQ(fake::ExitCodeOf(ProgramMain), 0u);
  EXPECT_EQ(fake::state.consoleText.find(u"stringchurn " STRINGCHURN_VERSION "\r\nCopyright"), 0u);
}

// Every heap call of a small run and its comparison fails once in turn: the run
// goes on without what it can do without (a line, a working set) or ends with
// the message and exit code 3, and never crashes.
TEST_F(ProgramTest, EachHeapCallFailingEndsAsDesigned) {
  const auto RunCompared = [] { RunSmall(true); };
  fake::Reset();
  InstallPsapi();
  OutputLineHook = PrintLine;
  ASSERT_EQ(fake::ExitCodeOf(RunCompared), 0u);
  const long calls = fake::state.heapCalls;
  for (long failing = 1; failing <= calls; ++failing) {
    fake::Reset();
    InstallPsapi();
    fake::state.failingCall = failing;
    const std::optional<std::uint32_t> code = fake::ExitCodeOf(RunCompared);
    ASSERT_TRUE(code == 0u || code == 3u) << "call " << failing;
    EXPECT_EQ(fake::state.standardError, code == 0u ? "" : "stringchurn: out of memory\n")
        << failing;
    EXPECT_TRUE(code == 3u || fake::state.heaps.empty()) << "call " << failing;
  }
}

}  // namespace
