// A batch is timed with the source of MillisecondClock, in its ticks, so that
// the run's figure and the ones timed here share one unit. A batch holds as
// many passes as make it last kBatchMilliseconds on this machine, found by
// doubling; the batches of the two yardsticks alternate, so that a noisy
// stretch of a shared machine falls on both.
#include "program/comparison.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "program/clock.h"
#include "program/globals.h"
#include "program/progress_line.h"
#include "program/reference_passes.h"
#include "runtime/console/line_hooks.h"
#include "runtime/strings/format.h"
#include "runtime/strings/string_variable.h"
#include "runtime/strings/workspace.h"

namespace {

constexpr int kBatches = 15;
constexpr std::int64_t kBatchMilliseconds = 50;
// Stops the doubling where the clock stands still; passes of even the empty
// text, a few nanoseconds each, reach kBatchMilliseconds well before this many.
constexpr std::int64_t kMostBatchPasses = std::int64_t{1} << 24;

// Fewer ticks than this leave the run's figure less than two digits sure.
constexpr std::int64_t kLeastRunTicks = 100;

constexpr std::int32_t kFigureWidth = 10;
constexpr std::int32_t kRatioWidth = 9;

// Ticks of a millisecond: the counter's, or 1 for the tick count.
std::int64_t TicksPerMs() {
  return TicksPerMillisecond == 0 ? 1 : TicksPerMillisecond;
}

template <typename Pass>
std::int64_t BatchTicks(std::int64_t passes, const Pass& pass) {
  std::int64_t start = 0;
  std::int64_t end = 0;
  MillisecondClock(&start);
  for (std::int64_t i = 0; i < passes; ++i) pass();
  MillisecondClock(&end);
  // The tick count's 32 bits wrap; the difference holds across a wrap too.
  return TicksPerMillisecond == 0 ? static_cast<std::uint32_t>(end - start) : end - start;
}

template <typename Pass>
std::int64_t PassesForBatch(const Pass& pass) {
  std::int64_t passes = 1;
  while (passes < kMostBatchPasses &&
         BatchTicks(passes, pass) < kBatchMilliseconds * TicksPerMs()) {
    passes *= 2;
  }
  return passes;
}

// Microseconds a pass, and the least difference in them that the clock tells
// apart: one tick spread over the passes it timed. Negative microseconds: unknown.
struct PassTime {
  double microseconds;
  double finest;
};

// The time a pass of `passes` passes timed in `ticks`.
PassTime TimedPass(double ticks, std::int64_t passes) {
  const double perPass = 1000 / (static_cast<double>(TicksPerMs()) * static_cast<double>(passes));
  return {ticks * perPass, perPass};
}

double Median(double* values) {
  std::nth_element(values, values + kBatches / 2, values + kBatches);
  return values[kBatches / 2];
}

// A pass of CopyLimitPass and of PlainCxxPass at `textLength`.
void TimeYardsticks(std::int32_t textLength, PassTime* limit, PassTime* plain) {
  const std::size_t bytes = 2 * static_cast<std::size_t>(textLength) + 2;
  const std::int32_t p = WorkspacePosition();
  // A reservation keeps 4 bytes spare beyond it: room for the NUL.
  char16_t* workspace = ReserveWorkspace(textLength, p);
  StringVariable block = nullptr;
  AssignText(&block, ProgramGlobals.BigString);
  const char16_t* text = ProgramGlobals.BigString;
  auto copies = [&] { CopyLimitPass(text, workspace, block, bytes); };

  // Plain C++ takes its memory from operator new, which in the program ends the
  // process as the runtime does when there is none (program/operator_new.cpp).
  const std::u16string plainText(static_cast<std::size_t>(textLength), u' ');
  std::u16string element;
  auto plainPass = [&] { PlainCxxPass(element, plainText); };

  const std::int64_t limitPasses = PassesForBatch(copies);
  const std::int64_t plainPasses = PassesForBatch(plainPass);
  double limits[kBatches];
  double plains[kBatches];
  for (int i = 0; i < kBatches; ++i) {
    limits[i] = static_cast<double>(BatchTicks(limitPasses, copies));
    plains[i] = static_cast<double>(BatchTicks(plainPasses, plainPass));
  }
  *limit = TimedPass(Median(limits), limitPasses);
  *plain = TimedPass(Median(plains), plainPasses);
  StringWorkspace.position = p;
  AssignText(&block, nullptr);
}

// The microseconds of `pass` to the last decimal its measurement tells apart
// (one tick over its passes); negative when unknown.
double Measured(const PassTime& pass) {
  if (pass.microseconds < 0) return -1;
  double scale = 1;
  while (scale < 1e9 && 1 / (scale * 10) >= pass.finest) scale *= 10;
  return std::round(pass.microseconds * scale) / scale;
}

// `value` with two decimals, more below 1 (down to 5) so that a pass of a short
// text keeps three digits, but none finer than `finest`, the least difference
// its measurement tells apart; "-" when it is negative (unknown); right-justified,
// widened rather than cut when it is longer than `width`.
void AppendFigure(double value, std::int32_t width, bool keepDigits, double finest) {
  const std::int32_t field = WorkspacePosition();
  std::int32_t decimals = 2;
  for (double v = value; keepDigits && v > 0 && v < 1 && decimals < 5; v *= 10) ++decimals;
  while (decimals > 0 && std::pow(10.0, -decimals) < finest) --decimals;
  if (value < 0) {
    AppendText(u"-");
  } else {
    FormatGrouped(value, decimals, u".", u"", field);
  }
  PadField(field, width);
}

// One row: its name, microseconds a pass, and their ratio to `limit` unless
// that is the limit's own row.
std::int64_t PrintRow(const char16_t* name, PassTime pass, double limit, bool ratio) {
  const std::int32_t line = WorkspacePosition();
  AppendText(name);
  AppendFigure(pass.microseconds, kFigureWidth, true, pass.finest);
  AppendText(u" \u00b5s a pass");
  if (ratio) {
    const bool known = pass.microseconds >= 0 && limit > 0;
    AppendFigure(known ? pass.microseconds / limit : -1, kRatioWidth, false,
                 known ? pass.finest / limit : 0);
    AppendText(u" x the limit");
  }
  return PrintWorkspaceLine(line);
}

// The run's own row: its passes timed in the ticks that the limit was timed in,
// or negative microseconds when they were too few ticks to tell.
std::int64_t PrintRunRow(const PassTime& run, double limit) {
  if (run.microseconds < 0) {
    const std::int32_t line = WorkspacePosition();
    AppendText(u"  this run   too short to measure");
    return PrintWorkspaceLine(line);
  }
  return PrintRow(u"  this run  ", run, limit, true);
}

}  // namespace

std::int64_t PrintComparison(std::int32_t textLength, const RunTiming& run,
                             ComparisonFigures* figures) {
  MillisecondClock();  // finds the counter, where the run has not
  PassTime limit{-1, 0};
  PassTime plain{-1, 0};
  TimeYardsticks(textLength, &limit, &plain);
  // A limit too short for the clock is no yardstick.
  if (limit.microseconds <= 0) limit.microseconds = -1;
  const PassTime runPass = run.passes == 0 || run.ticks < kLeastRunTicks
                               ? PassTime{-1, 0}
                               : TimedPass(static_cast<double>(run.ticks), run.passes);
  *figures = {Measured(limit), Measured(runPass), Measured(plain)};

  const std::int32_t line = WorkspacePosition();
  AppendText(u"Compared at ");
  IntegerText(textLength, WorkspacePosition());
  AppendText(u" characters on this machine:");
  if (const std::int64_t failure = PrintWorkspaceLine(line)) return failure;

  if (const std::int64_t rowFailure = PrintRow(u"  copy limit", limit, limit.microseconds, false)) {
    return rowFailure;
  }
  if (const std::int64_t rowFailure = PrintRunRow(runPass, limit.microseconds)) return rowFailure;
  return PrintRow(u"  plain C++ ", plain, limit.microseconds, true);
}
