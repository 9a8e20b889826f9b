// The benchmark run: a text of spaces copied into one element of a string array
// after another, each emptied again at once, with a progress line every so many
// passes, the total time, and a wait for one line of input.
#pragma once

#include <cstdint>

#include "runtime/platform/platform.h"

struct BenchmarkSizes {
  std::int64_t passCount;         // the highest pass index; passes 0 to passCount
  std::int32_t textLength;        // characters of the text every pass copies
  std::int64_t progressInterval;  // a progress line at every pass divisible by this
};

// The sizes of the shipped program.
inline constexpr BenchmarkSizes ShippedBenchmarkSizes{1'000'000, 1'000'000, 10'000};

// Runs the benchmark on the program globals; the runtime must be started. The
// header names the interval: "   Loops      MemoryUsage      duration for 10000
// passes" for the shipped sizes. With `csvFile` not null, every progress line is
// also written to it as a CSV row (program/progress_csv.h). With `compare`, the
// lines of PrintComparison (program/comparison.h) follow the total line, before
// the wait.
void RunBenchmark(const BenchmarkSizes& sizes, platform::FileHandle csvFile = nullptr,
                  bool compare = false);
