// The line is built in the workspace at its current position, one right-justified
// field after the other; the working set is measured while the line is built,
// after the pass field and before the duration.
#include "program/progress_line.h"

#include <algorithm>

#include "program/working_set.h"
#include "runtime/console/line_hooks.h"
#include "runtime/platform/platform.h"
#include "runtime/strings/format.h"
#include "runtime/strings/workspace.h"

std::int64_t CurrentProcessHandle;

namespace {

constexpr std::int32_t kPassWidth = 7;
constexpr std::int32_t kMemoryWidth = 16;
constexpr std::int32_t kDurationWidth = 10;

}  // namespace

void PadField(std::int32_t field, std::int32_t width) {
  const std::int32_t length = (WorkspacePosition() - field) / 2;
  PadLeftText(WorkspaceTextAt(field), std::max(width, length), field);
}

std::int32_t BuildProgressLine(std::int64_t pass, std::int64_t durationMs,
                               std::int64_t* workingSetKB) {
  if (CurrentProcessHandle == 0) CurrentProcessHandle = platform::CurrentProcess();

  const std::int32_t line = WorkspacePosition();
  IntegerText(pass, line);
  PadField(line, kPassWidth);
  AppendText(u"\t");

  const std::int32_t memory = WorkspacePosition();
  const std::int64_t kib = QueryWorkingSetKB(CurrentProcessHandle);
  if (workingSetKB != nullptr) *workingSetKB = kib;
  FormatGrouped(static_cast<double>(kib), 0, u",", u".", memory);
  AppendText(u" K");
  PadField(memory, kMemoryWidth);
  AppendText(u"\t");

  const std::int32_t duration = WorkspacePosition();
  IntegerText(durationMs, duration);
  PadField(duration, kDurationWidth);
  AppendText(u"ms");
  return line;
}

std::int64_t PrintProgressLine(std::int64_t pass, std::int64_t durationMs,
                               std::int64_t* workingSetKB) {
  return PrintWorkspaceLine(BuildProgressLine(pass, durationMs, workingSetKB));
}
