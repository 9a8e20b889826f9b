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

// The header of the progress table.
inline constexpr char16_t BenchmarkHeader[] =
    u"   Loops      MemoryUsage      duration for 10000 passes";

// Runs the benchmark on the program globals; the runtime must be started.
void RunBenchmark(const BenchmarkSizes& sizes);
