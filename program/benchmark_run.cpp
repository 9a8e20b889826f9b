// The run works on the program globals. Its set-up (the text and the array)
// counts in no duration; the clock is read twice at each checkpoint, so that the
// time spent printing a progress line and its CSV row never counts in the next one.
#include "program/benchmark_run.h"

#include <climits>
#include <string>

#include "program/clock.h"
#include "program/comparison.h"
#include "program/error_line.h"
#include "program/globals.h"
#include "program/progress_csv.h"
#include "program/progress_line.h"
#include "runtime/arrays/array_block.h"
#include "runtime/console/line_hooks.h"
#include "runtime/memory/out_of_memory.h"
#include "runtime/strings/format.h"
#include "runtime/strings/string_variable.h"
#include "runtime/strings/workspace.h"

namespace {

constexpr std::int64_t kMillisecondsPerSecond = 1000;

StringVariable* Element(std::int64_t index) {
  return static_cast<StringVariable*>(ProgramGlobals.StringArray) + index;
}

// Prints the text built at `p` and sets the workspace position back to it.
// Returns 0, or the exit code of a line that could not be written, reported.
std::int64_t PrintBuiltLine(std::int32_t p) {
  return ReportedLineFailure(PrintWorkspaceLine(p));
}

// "   Loops      MemoryUsage      duration for K passes", built in the workspace.
std::int64_t PrintHeader(std::int64_t interval) {
  const std::int32_t p = WorkspacePosition();
  AppendText(u"   Loops      MemoryUsage      duration for ");
  IntegerText(interval, WorkspacePosition());
  AppendText(interval == 1 ? u" pass" : u" passes");
  return PrintBuiltLine(p);
}

}  // namespace

std::int64_t RunBenchmark(const BenchmarkSizes& sizes, const char16_t* csvPath, bool compare) {
  ProgramGlobalBlock& g = ProgramGlobals;
  g.PassCount = sizes.passCount;

  std::int32_t p = WorkspacePosition();
  SpaceText(sizes.textLength, p);
  AssignFromWorkspace(&g.BigString, p);

  // One element per pass, each a null StringVariable.
  g.StringArray = CreateArrayBlock(sizeof(StringVariable), g.PassCount + 1, StringElementTypeCode,
                                   StringElementMap, &g.StringArray);
  if (g.StringArray == nullptr) FailOutOfMemory();

  // Created only now, so that a run too large for the memory leaves a file of
  // that name as it was.
  platform::FileHandle csvFile = nullptr;
  if (csvPath != nullptr) {
    std::string error;
    csvFile = CreateProgressCsv(csvPath, &error);
    if (csvFile == nullptr) return ReportFailure(CommandLineErrorExitCode, error);
    if (const platform::SystemError failure = WriteProgressCsvHeader(csvFile)) {
      return ReportOutputFailure(csvPath, failure);
    }
  }

  // The first output that fails ends the run.
  g.LastCheckpoint = MillisecondClock();
  g.StartTime = g.LastCheckpoint;
  if (const std::int64_t code = PrintHeader(sizes.progressInterval)) return code;

  RunTiming timing{0, 0};  // the intervals after pass 0's, which times the header
  g.PassIndex = 0;
  while (!(g.PassCount < g.PassIndex)) {
    if (g.PassIndex % sizes.progressInterval == 0) {
      const std::int64_t duration = MillisecondClock() - g.LastCheckpoint;
      std::int64_t workingSetKB = 0;
      const std::int32_t line = BuildProgressLine(g.PassIndex, duration, &workingSetKB);
      // The row goes first: a run stopped between the two keeps a row for every line.
      const platform::SystemError rowFailure =
          csvFile == nullptr ? 0
                             : WriteProgressCsvRow(csvFile, g.PassIndex, workingSetKB, duration);
      if (rowFailure != 0) {
        StringWorkspace.position = line;
        return ReportOutputFailure(csvPath, rowFailure);
      }
      if (const std::int64_t code = PrintBuiltLine(line)) return code;
      if (g.PassIndex > 0) timing = {g.PassIndex, timing.milliseconds + duration};
      g.LastCheckpoint = MillisecondClock();
    }
    p = WorkspacePosition();
    AppendText(g.BigString);
    AssignFromWorkspace(Element(g.PassIndex), p);
    AssignText(Element(g.PassIndex), u"");
    if (g.PassIndex == INT64_MAX) break;  // the next index would wrap
    ++g.PassIndex;
  }

  p = WorkspacePosition();
  AppendText(u"Total Time: ");
  const std::int32_t seconds = WorkspacePosition();
  const std::int64_t now = MillisecondClock();
  IntegerText((now - g.StartTime) / kMillisecondsPerSecond, seconds);
  AppendText(u" seconds");
  if (const std::int64_t code = PrintBuiltLine(p)) return code;
  if (compare) {
    if (const std::int64_t code = ReportedLineFailure(PrintComparison(sizes.textLength, timing))) {
      return code;
    }
  }

  p = WorkspacePosition();
  InputLineHook(p);
  StringWorkspace.position = p;
  return 0;
}
