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
#include "program/options.h"
#include "program/progress_csv.h"
#include "program/progress_line.h"
#include "program/run_record.h"
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
  return ReportIfNotPrinted(PrintWorkspaceLine(p));
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

std::int64_t RunBenchmark(const BenchmarkSizes& sizes, const RunOutputs& outputs) {
  const char16_t* const csvPath = outputs.csvPath;
  ProgramGlobalBlock& g = ProgramGlobals;
  g.PassCount = sizes.passCount;

  std::int32_t p = WorkspacePosition();
  SpaceText(sizes.textLength, p);
  AssignFromWorkspace(&g.BigString, p);

  // One element per pass, each a null StringVariable.
  g.StringArray = CreateArrayBlock(sizeof(StringVariable), g.PassCount + 1, StringElementTypeCode,
                                   StringElementMap, &g.StringArray);
  if (g.StringArray == nullptr) FailOutOfMemory();

  // Opened only now, so that a run whose text or array is too large for the
  // memory leaves a file of that name as it was. The record's file is checked
  // against the CSV's, which is emptied only then, so that a refused record leaves
  // it as it was (a CSV file made just now goes again); the CSV file is opened
  // once, as a pipe's reader takes the end of a writer as the end of the rows.
  platform::FileHandle csvFile = nullptr;
  bool csvMade = false;
  std::string error;
  if (csvPath != nullptr) {
    csvFile = OpenProgressCsv(csvPath, &csvMade, &error);
    if (csvFile == nullptr) return WriteErrorLine(CommandLineErrorExitCode, error);
  }
  RunRecord record;
  if (outputs.jsonPath != nullptr && !record.Open(outputs.jsonPath, csvFile, &error)) {
    if (csvFile != nullptr) platform::CloseFile(csvFile);
    if (csvMade) platform::RemoveFile(csvPath);
    return WriteErrorLine(CommandLineErrorExitCode, error);
  }
  if (csvFile != nullptr) {
    if (const platform::SystemError failure = platform::EmptyFile(csvFile)) {
      return WriteErrorLine(CommandLineErrorExitCode,
                            OutputFileError(OutputFile::Csv, csvPath, SystemReason(failure)));
    }
    if (const platform::SystemError failure = WriteProgressCsvHeader(csvFile)) {
      return ReportCannotWrite(csvPath, failure);
    }
  }

  // Asking the system about the machine counts in no duration.
  if (outputs.jsonPath != nullptr) record.Start(sizes);

  // The first output that fails ends the run.
  std::int64_t checkpointTicks = 0;  // the reading LastCheckpoint was taken from
  g.LastCheckpoint = MillisecondClock(&checkpointTicks);
  g.StartTime = g.LastCheckpoint;
  if (const std::int64_t code = PrintHeader(sizes.progressInterval)) return code;

  RunTiming timing{0, 0};  // the intervals after pass 0's, which times the header
  g.PassIndex = 0;
  while (!(g.PassCount < g.PassIndex)) {
    if (g.PassIndex % sizes.progressInterval == 0) {
      std::int64_t nowTicks = 0;
      const std::int64_t duration = MillisecondClock(&nowTicks) - g.LastCheckpoint;
      std::int64_t workingSetKB = 0;
      const std::int32_t line = BuildProgressLine(g.PassIndex, duration, &workingSetKB);
      // The row goes first: a run stopped between the two keeps a row for every line.
      const platform::SystemError rowFailure =
          csvFile == nullptr ? 0
                             : WriteProgressCsvRow(csvFile, g.PassIndex, workingSetKB, duration);
      if (rowFailure != 0) {
        StringWorkspace.position = line;
        return ReportCannotWrite(csvPath, rowFailure);
      }
      if (const std::int64_t code = PrintBuiltLine(line)) return code;
      if (outputs.jsonPath != nullptr) record.AddProgress(g.PassIndex, workingSetKB, duration);
      if (g.PassIndex > 0) timing = {g.PassIndex, timing.ticks + nowTicks - checkpointTicks};
      g.LastCheckpoint = MillisecondClock(&checkpointTicks);
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
  ComparisonFigures figures{-1, -1, -1};
  if (outputs.compare) {
    if (const std::int64_t code =
            ReportIfNotPrinted(PrintComparison(sizes.textLength, timing, &figures))) {
      return code;
    }
  }
  if (outputs.jsonPath != nullptr) {
    const char16_t* named = nullptr;
    if (const platform::SystemError failure =
            record.Finish(now - g.StartTime, outputs.compare ? &figures : nullptr, &named)) {
      return ReportCannotWrite(named, failure);
    }
  }
  if (!outputs.wait) return 0;

  p = WorkspacePosition();
  InputLineHook(p);
  StringWorkspace.position = p;
  return 0;
}
