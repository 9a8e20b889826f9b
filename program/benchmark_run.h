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

// What a run writes besides its lines, and whether it waits at its end.
struct RunOutputs {
  const char16_t* csvPath = nullptr;   // the CSV file of program/progress_csv.h, or null
  const char16_t* jsonPath = nullptr;  // the record of program/run_record.h, or null
  bool compare = false;                // the comparison of program/comparison.h
  bool wait = true;                    // the wait for a line at the end
};

// Runs the benchmark on the program globals; the runtime must be started. The
// header names the interval: "   Loops      MemoryUsage      duration for 10000
// passes" for the shipped sizes. With a CSV path, every progress line is also
// written as a CSV row to the file of that name, created once the run's array
// exists. With `compare`, the lines of PrintComparison follow the total line.
// With a JSON path, the record of the run is checked for where the CSV file is
// created and written after the total line and the comparison, before the wait;
// without `wait` there is no wait. Returns the exit code: 0 when the run is done;
// otherwise it stopped at once and reported why on standard error
// (program/error_line.h): a CSV or JSON file that cannot be created, or a line,
// row or record that could not be written.
std::int64_t RunBenchmark(const BenchmarkSizes& sizes, const RunOutputs& outputs);
