// The benchmark program on the fake platform: the clock, the progress line, a
// small run from its command line through start-up and shutdown, and that run
// again with each heap call in turn failing.
#include <atomic>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "program/clock.h"
#include "program/comparison.h"
#include "program/progress_line.h"
#include "program/working_set.h"
#include "runtime/arrays/array_header.h"
#include "runtime/console/line_hooks.h"
#include "runtime/console/read_line.h"
#include "runtime/strings/string_variable.h"
#include "tests/checks.h"
#include "tests/fixture.h"

namespace {

// Stands in for psapi.dll's function: a working set of 2 MiB and 1023 bytes, the
// peak before it wrong on purpose, given that the record comes zeroed.
std::int32_t GetProcessMemoryInfo(void* process, ProcessMemoryCounters* counters,
                                  std::uint32_t size) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(counters);
  const bool asExpected = reinterpret_cast<std::intptr_t>(process) == fake::ProcessHandle &&
                          size == sizeof *counters && bytes[0] == 0 &&
                          std::memcmp(bytes, bytes + 1, size - 1) == 0;
  counters->PeakWorkingSetSize = 987'654'321;
  counters->WorkingSetSize = 2048 * 1024 + 1023;
  return asExpected;
}

class ProgramTest : public RuntimeTest {
 protected:
  void TearDown() override {
    InputLineHook = WaitForLine;
    RuntimeTest::TearDown();
  }
  // A fresh fake that gives the program small sizes, a CSV file, a record and the
  // comparison on its command line, psapi.dll, and each counter reading 0.7 s and a
  // tick after the one before.
  static void PrepareSmallRun() {
    fake::Reset();
    fake::state.modules[u"psapi.dll"] = {
        {"GetProcessMemoryInfo", reinterpret_cast<void*>(&GetProcessMemoryInfo)}};
    TicksPerMillisecond = 0;
    fake::state.counterStep = 7'000'001;
    fake::state.processorName = u"\"Fast\" \\ \u00e9\x01\x7f";
    fake::state.utcSeconds = 1796688910;
    fake::state.arguments = {u"--passes", u"25",      u"--length=40",     u"--interval", u"12",
                             u"--csv",    u"run.csv", u"--json=run.json", u"--compare"};
  }
};

TEST_F(ProgramTest, TheClockDividesByTheTruncatedTicksPerMillisecondOrFallsBackToTheTickCount) {
  // The frequency, whether its query fails, the ticks from one counter reading
  // to the next, and the clock's readings from its first. The counter starts far
  // from 0, where the base makes a difference.
  const std::tuple<std::int64_t, bool, std::int64_t, std::vector<std::int64_t>> cases[] = {
      {10'000'000, false, 123'456'789, {12'345, 24'691, 37'037}},
      {3'579'545, false, 3'579'000, {1'000, 2'000}},
      {999, false, 5, {77, 77}},
      {10'000'000, true, 5, {77, 77}},
  };
  for (const auto& [frequency, fails, step, readings] : cases) {
    TicksPerMillisecond = 0;
    fake::state.counter = 1'000'000'000;
    fake::state.frequency = frequency;
    fake::state.frequencyFails = fails;
    fake::state.counterStep = step;
    fake::state.tickCount = 77;
    std::vector<std::int64_t> read(readings.size());
    for (std::int64_t& reading : read) reading = MillisecondClock();
    EXPECT_EQ(read, readings) << frequency;
  }
}

TEST_F(ProgramTest, ProgressLinesHaveTheirThirtySevenCharacters) {
  // The pass, the working set in KiB that the system gives (none: nor does
  // psapi.dll load), the duration, and the line.
  const std::tuple<std::int64_t, std::optional<std::int64_t>, std::int64_t, const char16_t*>
      cases[] = {// clang-format off
      {10'000, 15'236, 1'234, u"  10000\t        15.236 K\t      1234ms"},
      {3, std::nullopt, 5, u"      3\t             0 K\t         5ms"},
      {12'345'678, 1, 12'345'678'901, u"12345678\t             1 K\t12345678901ms"}};
  // clang-format on
  for (const auto& [pass, kib, duration, line] : cases) {
    fake::state.directWorkingSet.reset();
    if (kib) fake::state.directWorkingSet = *kib * 1024 + 1023;
    fake::state.fileBytes.clear();
    AppendText(u"kept");
    EXPECT_EQ(PrintProgressLine(pass, duration), 0);
    EXPECT_EQ(fake::state.fileBytes, fake::Utf16Bytes(line + std::u16string(u"\r\n")));
    EXPECT_EQ(WorkspacePosition(), 8);  // where the line began
    TruncateWorkspace(0);
  }
}

// A duration covers the passes only, not the printing of the line before it, and
// every batch that the comparison times lasts one reading, so one pass, whose
// figure shows the tick (0.1 us) and no finer digit; nor does the run's, two
// readings over 24 passes (58,333.341666... us), on its line or in the record. At
// the wait, which comes last, the probe has released psapi.dll after every line; a
// library is loaded then, Ctrl-C leaves it to the system, the close event releases
// it, and the shutdown finds another one loaded.
TEST_F(ProgramTest, TheProgramRunsFromItsCommandLineAndShutsDownInOrder) {
  PrepareSmallRun();
  ProgramGlobals.ExitCode = 7;  // cleared at start-up
  InputLineHook = [](std::int32_t position) -> std::int64_t {
    EXPECT_EQ(std::u16string(ProgramGlobals.BigString), std::u16string(40, u' '));
    auto* elements = static_cast<StringVariable*>(ProgramGlobals.StringArray);
    EXPECT_EQ(ProgramGlobals.PassIndex, HeaderOf(elements)->elementCount);
    for (int i = 0; i <= 25; ++i) EXPECT_EQ(fake::BlockBytes(elements[i]), 10u) << i;
    EXPECT_EQ(position, 0);
    fake::state.fileBytes += "<wait>";
    EXPECT_TRUE(fake::state.open.empty());
    LoadSharedLibrary(AnyNumber, u"psapi.dll");
    fake::state.handler(platform::ControlCEvent);
    EXPECT_FALSE(fake::state.open.empty());
    fake::state.handler(platform::ControlCloseEvent);
    EXPECT_TRUE(fake::state.open.empty());
    return LoadSharedLibrary(AnyNumber, u"psapi.dll");
  };
  EXPECT_EQ(fake::ExitCodeOf(ProgramMain), 0u);
  EXPECT_EQ(fake::state.fileBytes,
            fake::Utf16Bytes(u"   Loops      MemoryUsage      duration for 12 passes\r\n"
                             u"      0\t         2.048 K\t       700ms\r\n"
                             u"     12\t         2.048 K\t       700ms\r\n"
                             u"     24\t         2.048 K\t       700ms\r\n"
                             u"Total Time: 4 seconds\r\n"
                             u"Compared at 40 characters on this machine:\r\n"
                             u"  copy limit  700000.1 \u00b5s a pass\r\n"
                             u"  this run    58333.34 \u00b5s a pass     0.08 x the limit\r\n"
                             u"  plain C++   700000.1 \u00b5s a pass     1.00 x the limit\r\n") +
                "<wait>");
  // The CSV file and the record hold the same figures, the record the processor's
  // name escaped.
  EXPECT_EQ(
      fake::state.files,
      (std::map<std::u16string, std::string>{
          {u"run.csv", "pass,working_set_kib,duration_ms\n0,2048,700\n12,2048,700\n24,2048,700\n"},
          {u"run.json",
           R"({"program": {"name": "stringchurn", "version": ")" STRINGCHURN_VERSION R"("},
 "machine": {"processor": "\"Fast\" \\ \u00e9\u0001\u007f", "logical_processors": 2, "memory_bytes": 0, "system": ""},
 "started": "2026-12-08T00:15:10Z",
 "settings": {"passes": 25, "length": 40, "interval": 12},
 "progress": [
  {"pass": 0, "working_set_kib": 2048, "duration_ms": 700},
  {"pass": 12, "working_set_kib": 2048, "duration_ms": 700},
  {"pass": 24, "working_set_kib": 2048, "duration_ms": 700}],
 "total_ms": 4900,
 "compare": {"limit_us": 700000.1, "run_us": 58333.34, "plain_cxx_us": 700000.1}}
)"}}));
  const std::vector<std::string> last(fake::state.released.end() - 5, fake::state.released.end());
  EXPECT_EQ(last, (std::vector<std::string>{"module psapi.dll", "module psapi.dll", "heap 2",
                                            "heap 1", "exit 0"}));
}

// A control event while the record takes its file's place ends the process once
// it has; one before keeps the record from being begun. A new file put in the
// record's way during the run is named, and kept.
TEST_F(ProgramTest, TheRecordsNewFileOutlivesNoControlEvent) {
  std::atomic<bool> handled = false;
  std::map<std::u16string, std::string> atEnd;  // the files as the event ends the process
  const auto event = [&] {
    fake::state.handler(platform::ControlCEvent);
    atEnd = fake::state.files;
    handled = true;
  };
  std::thread control;
  PrepareSmallRun();
  fake::state.putting = [&] {
    const int waits = fake::LockWaits;
    control = std::thread(event);
    while (fake::LockWaits == waits && !handled) std::this_thread::yield();
  };
  EXPECT_EQ(fake::ExitCodeOf(ProgramMain), 0u);
  control.join();
  EXPECT_EQ(atEnd, fake::state.files);
  PrepareSmallRun();
  fake::state.files[u"run.json"] = "kept\n";
  fake::state.opening = event;
  EXPECT_EQ(fake::ExitCodeOf(ProgramMain), 0u);
  EXPECT_EQ(fake::state.files[u"run.json"], "kept\n");
  PrepareSmallRun();
  fake::state.opening = [] { fake::state.files[u"run.json.tmp"] = "kept\n"; };
  EXPECT_EQ(fake::ExitCodeOf(ProgramMain), 1u);
  EXPECT_EQ(fake::state.standardError, "stringchurn: cannot write \"run.json.tmp\": \n");
  EXPECT_EQ(fake::state.files[u"run.json.tmp"], "kept\n");
}

// A record of many rows goes to the scratch file as the run goes, and comes back
// whole however much of it that file's disk takes: all, none, or one write and
// part of the next.
TEST_F(ProgramTest, ALongRecordComesBackWholeWhereverItWasKept) {
  std::string whole;  // the record that the scratch file took all of
  for (const std::size_t room : {SIZE_MAX, std::size_t{0}, std::size_t{100'000}}) {
    PrepareSmallRun();
    fake::state.arguments = {u"--passes", u"3000",      u"--interval", u"1",       u"--length",
                             u"0",        u"--no-wait", u"--json",     u"run.json"};
    fake::state.scratchRoom = room;
    EXPECT_EQ(fake::ExitCodeOf(ProgramMain), 0u) << room;
    if (whole.empty()) whole = fake::state.files[u"run.json"];
    EXPECT_TRUE(check::Same("the records", fake::state.files[u"run.json"], whole)) << room;
  }
  EXPECT_NE(whole.find("{\"pass\": 3000, \"working_set_kib\": 2048, \"duration_ms\": 700}],\n"),
            std::string::npos);
}

// A yardstick is the middle one of its batches, which take turns with the
// other's, and a limit of no ticks is none; a run of 100 ticks has a figure of its
// own, one of 99 none.
TEST_F(ProgramTest, TheComparisonTakesTheMiddleBatchAndARunOfAHundredTicks) {
  AssignText(&ProgramGlobals.BigString, u"ab");
  fake::state.counterStep = 7'000'000;
  ComparisonFigures figures{};
  for (const long limitScale : {1'000'000, 0}) {
    // Readings 0 and 1 find the clock, 2 and 3 one pass of the limit enough for a
    // batch (lasting the 50 ms exactly), 4 to 7 two passes of plain C++; then a
    // batch of the limit starts at every fourth reading, of 1 to 16 million ticks
    // but 14, which would come sixteenth and move the middle.
    TicksPerMillisecond = 0;
    fake::state.counterSteps.assign(72, fake::state.counterStep);
    fake::state.counterSteps[2] = 500'000;
    fake::state.counterSteps[4] = 1;
    for (int i = 0; i < 16; ++i)
      fake::state.counterSteps[8 + 4 * i] = (i * 3 % 16 + 1) * limitScale;
    EXPECT_EQ(PrintComparison(2, RunTiming{1, limitScale == 0 ? 99 : 100}, &figures), 0);
    EXPECT_EQ(figures.limit, limitScale == 0 ? -1 : 800'000);
    EXPECT_EQ(figures.run, limitScale == 0 ? -1 : 10);
    EXPECT_EQ(figures.plain, 350'000);
  }
  // A pass finer than the microsecond keeps three digits (0.0950 µs from 19,000
  // ticks of 0.1 µs over 20,000 passes), but shows five decimals, no more, and
  // one of a microsecond exactly the usual two, as does one that took no ticks
  // over a batch of 1,024 passes; one of ten seconds widens its field.
  const std::pair<RunTiming, std::u16string> runs[] = {
      {{20'000, 19'000}, u"    0.0950"},
      {{std::int64_t{1} << 30, 100}, u"   0.00000"},
      {{1'000, 10'000}, u"      1.00"},
      {{1'000, 100'000'000'000}, u"10000000.00"}};
  for (const auto& [run, shown] : runs) {
    TicksPerMillisecond = 0;
    fake::state.counterSteps.assign(86, 0);
    fake::state.counterSteps[2] = 500'000;
    fake::state.counterSteps[24] = 500'000;
    fake::state.fileBytes.clear();
    EXPECT_EQ(PrintComparison(2, run, &figures), 0);
    EXPECT_NE(fake::state.fileBytes.find(fake::Utf16Bytes(
                  u"  this run  " + shown +
                  u" \u00b5s a pass        - x the limit\r\n"
                  u"  plain C++       0.00 \u00b5s a pass        - x the limit\r\n")),
              std::string::npos)
        << run.passes << " passes";
  }
  AssignText(&ProgramGlobals.BigString, nullptr);
}

// A bad command line runs nothing; the version goes to a console as a line does
// (elsewhere as plain text: the end-to-end cases).
TEST_F(ProgramTest, TheCommandLineDecidesWhatRuns) {
  fake::Reset();
  fake::state.arguments = {u"-h=1"};
  EXPECT_EQ(fake::ExitCodeOf(ProgramMain), 2u);
  EXPECT_EQ(fake::state.standardError,
            "stringchurn: -h takes no value, not \"1\"\nTry 'stringchurn --help'.\n");
  EXPECT_EQ(fake::state.heapCalls, 0);
  fake::state.arguments = {u"-V"};
  fake::state.outputIsConsole = true;
  EXPECT_EQ(fake::ExitCodeOf(ProgramMain), 0u);
  EXPECT_EQ(fake::state.consoleText.find(u"stringchurn " STRINGCHURN_VERSION "\r\nCopyright"), 0u);
}

// Every heap call of the small run fails once in turn: the run goes on without
// what it can do without (a line, a working set) or ends with the message and
// exit code 3, and never crashes. With --no-wait it never reads the console,
// where nothing is typed.
TEST_F(ProgramTest, EachHeapCallFailingEndsAsDesigned) {
  PrepareSmallRun();
  fake::state.arguments.push_back(u"--no-wait");
  fake::state.inputIsConsole = true;
  ASSERT_EQ(fake::ExitCodeOf(ProgramMain), 0u);
  const long calls = fake::state.heapCalls;
  for (long failing = 1; failing <= calls; ++failing) {
    PrepareSmallRun();
    fake::state.failingCall = failing;
    const std::optional<std::uint32_t> code = fake::ExitCodeOf(ProgramMain);
    EXPECT_EQ(fake::state.standardError, code == 0u ? "" : "stringchurn: out of memory\n")
        << failing;
    if (code != 3u) {
      EXPECT_EQ(fake::state.heaps.size(), 0u) << failing;
    }
  }
}

}  // namespace
