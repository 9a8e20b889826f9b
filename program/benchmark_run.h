// The benchmark run: a text of spaces copied into one element of a string array
// after another, each emptied again at once, with a progress line every so many
// passes, the total time, and a wait for one line of input.
#pragma once

#include <cstdint>

struct BenchmarkSizes {
  std::int64_t passCount;         // the highest pass index; passes 0 to passCount
  std::int32_t textLength;        // characters of the text every pass copies
  std::int64_t progressInterval;  // a progress line at every pass divisible by this
};

// The sizes of the shipped program.
inline constexpr BenchmarkSizes ShippedBenchmarkSizes{1'000'000, 1'000'000, 10'000};

// Runs the benchmark on the program globals; the runtime must be started. The
// header names the interval: "   Loops      MemoryUsage      duration for 10000
// passes" for the shipped sizes. With `csvPath` not null, every progress line is
// also written as a CSV row to the file of that name (program/progress_csv.h),
// created once the run's array exists. With `compare`, the lines of
// PrintComparison (program/comparison.h) follow the total line, before the wait.
// Returns the exit code: 0 when the run is done; otherwise it stopped at once and
// reported why on standard error (program/error_line.h): a CSV file that cannot be
// created, or a line or row that could not be written.
std::int64_t RunBenchmark(const BenchmarkSizes& sizes, const char16_t* csvPath, bool compare);
