// What --compare prints after the total line: the copy limit and the pass in
// plain C++, timed on this machine at the run's text length, next to the run's
// own time a pass. The run itself is timed by its progress intervals, not here.
#pragma once

#include <cstdint>

// The passes that the run's progress intervals cover (up to its last progress
// line) and their durations added up, in the readings of MillisecondClock(&reading):
// counter ticks, or milliseconds where the clock has no counter.
struct RunTiming {
  std::int64_t passes;
  std::int64_t ticks;
};

// Times CopyLimitPass on the text of BigString (`textLength` characters) with
// the workspace and a block of an element's size, and PlainCxxPass on a
// std::u16string of as many spaces, each the median of 15 batches taken in
// turn, and prints through the OutputLineHook:
//
//   Compared at 1000000 characters on this machine:
//     copy limit      308.52 µs a pass
//     this run        295.21 µs a pass      0.96 x the limit
//     plain C++       156.60 µs a pass      0.51 x the limit
//
// No figure is finer than one tick of the clock spread over the passes it timed.
// A run whose intervals add up to too few ticks for two digits (or that timed
// none) shows "too short to measure" instead; a limit too short for the clock
// shows as "-". Restores the workspace position and frees what it
// allocated; ends the process with FailOutOfMemory when its buffers do not fit.
// Returns 0 when every line was written; otherwise stops at the first line that
// was not and returns the hook's error.
//
// The figures, in microseconds a pass to the last decimal that one tick over the
// passes tells apart (-1 where none is shown), go to `*figures` as well.
struct ComparisonFigures {
  double limit;
  double run;
  double plain;
};
std::int64_t PrintComparison(std::int32_t textLength, const RunTiming& run,
                             ComparisonFigures* figures);
