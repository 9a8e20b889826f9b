// How every benchmark of the harness is measured: the machine is shared and
// noisy, so each is repeated and only the median of the repetitions counts.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

inline constexpr int MeasuredRepetitions = 15;
inline constexpr double SecondsPerRepetition = 0.1;

inline void MeasuredByMedian(benchmark::internal::Benchmark* b) {
  b->Repetitions(MeasuredRepetitions)
      ->MinTime(SecondsPerRepetition)
      ->ReportAggregatesOnly(true)
      ->ComputeStatistics("min", [](const std::vector<double>& v) {
        return *std::min_element(v.begin(), v.end());
      });
}
