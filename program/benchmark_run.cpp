// The run works on the program globals. Its set-up (the text and the array)
// counts in no duration; the clock is read twice at each checkpoint, so that the
// time spent printing a progress line and its CSV row never counts in the next one.
#include "program/benchmark_run.h"

#include <climits>

#include "program/clock.h"
#include "program/comparison.h"
#include "program/globals.h"
#include "program/progress_csv.h"
#include "program/progress_line.h"
#include "runtime/arrays/array_block.h"
#include "runtime/console/line_hooks.h"
#include "runtime/platform/out_of_memory.h"
#include "runtime/strings/format.h"
#include "runtime/strings/string_variable.h"
#include "runtime/strings/workspace.h"

namespace {

constexpr std::int64_t kMillisecondsPerSecond = 1000;

std::int32_t CurrentPosition() {
  return static_cast<std::int32_t>(StringWorkspace.position);
}

StringVariable* Element(std::int64_t index) {
  return static_cast<StringVariable*>(ProgramGlobals.StringArray) + index;
}

// "   Loops      MemoryUsage      duration for K passes", built in the workspace.
void PrintHeader(std::int64_t interval) {
  const std::int32_t p = CurrentPosition();
  AppendText(u"   Loops      MemoryUsage      duration for ");
  IntegerText(interval, CurrentPosition());
  AppendText(interval == 1 ? u" pass" : u" passes");
  OutputLineHook(WorkspaceTextAt(p));
  StringWorkspace.position = p;
}

}  // namespace

void RunBenchmark(const BenchmarkSizes& sizes, platform::FileHandle csvFile, bool compare) {
  ProgramGlobalBlock& g = ProgramGlobals;
  g.PassCount = sizes.passCount;

  std::int32_t p = CurrentPosition();
  SpaceText(sizes.textLength, p);
  AssignFromWorkspace(&g.BigString, p);

  // One element per pass, each a null StringVariable.
  g.StringArray = CreateArrayBlock(sizeof(StringVariable), g.PassCount + 1, StringElementTypeCode,
                                   StringElementMap, &g.StringArray);
  if (g.StringArray == nullptr) FailOutOfMemory();

  if (csvFile != nullptr) WriteProgressCsvHeader(csvFile);

  g.LastCheckpoint = MillisecondClock();
  g.StartTime = g.LastCheckpoint;
  PrintHeader(sizes.progressInterval);

  RunTiming timing{0, 0};  // the intervals after pass 0's, which times the header
  g.PassIndex = 0;
  while (!(g.PassCount < g.PassIndex)) {
    if (g.PassIndex % sizes.progressInterval == 0) {
      const std::int64_t duration = MillisecondClock() - g.LastCheckpoint;
      std::int64_t workingSetKB = 0;
      PrintProgressLine(g.PassIndex, duration, &workingSetKB);
      if (csvFile != nullptr) WriteProgressCsvRow(csvFile, g.PassIndex, workingSetKB, duration);
      if (g.PassIndex > 0) timing = {g.PassIndex, timing.milliseconds + duration};
      g.LastCheckpoint = MillisecondClock();
    }
    p = CurrentPosition();
    AppendText(g.BigString);
    AssignFromWorkspace(Element(g.PassIndex), p);
    AssignText(Element(g.PassIndex), u"");
    if (g.PassIndex == INT64_MAX) break;  // the next index would wrap
    ++g.PassIndex;
  }

  p = CurrentPosition();
  AppendText(u"Total Time: ");
  const std::int32_t seconds = CurrentPosition();
  const std::int64_t now = MillisecondClock();
  IntegerText((now - g.StartTime) / kMillisecondsPerSecond, seconds);
  AppendText(u" seconds");
  OutputLineHook(WorkspaceTextAt(p));
  StringWorkspace.position = p;
  if (compare) PrintComparison(sizes.textLength, timing);

  p = CurrentPosition();
  InputLineHook(p);
  StringWorkspace.position = p;
}
