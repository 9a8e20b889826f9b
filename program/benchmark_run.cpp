// The run works on the program globals. Its set-up (the text and the array)
// counts in no duration; the clock is read twice at each checkpoint, so that the
// time spent printing a progress line never counts in the next one.
#include "program/benchmark_run.h"

#include <climits>

#include "program/clock.h"
#include "program/globals.h"
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

}  // namespace

void RunBenchmark(const BenchmarkSizes& sizes) {
  ProgramGlobalBlock& g = ProgramGlobals;
  g.PassCount = sizes.passCount;

  std::int32_t p = CurrentPosition();
  SpaceText(sizes.textLength, p);
  AssignFromWorkspace(&g.BigString, p);

  // One element per pass, each a null StringVariable.
  g.StringArray = CreateArrayBlock(sizeof(StringVariable), g.PassCount + 1, StringElementTypeCode,
                                   StringElementMap, &g.StringArray);
  if (g.StringArray == nullptr) FailOutOfMemory();

  g.LastCheckpoint = MillisecondClock();
  g.StartTime = g.LastCheckpoint;
  OutputLineHook(BenchmarkHeader);

  g.PassIndex = 0;
  while (!(g.PassCount < g.PassIndex)) {
    if (g.PassIndex % sizes.progressInterval == 0) {
      const std::int64_t now = MillisecondClock();
      PrintProgressLine(g.PassIndex, now - g.LastCheckpoint);
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

  p = CurrentPosition();
  InputLineHook(p);
  StringWorkspace.position = p;
}
