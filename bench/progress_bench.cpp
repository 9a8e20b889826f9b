// The checkpoint of the run: one progress line (to a file, as with redirected
// output) and the working-set probe on its own.
#include <benchmark/benchmark.h>

#include "bench/bench_settings.h"
#include "program/progress_line.h"
#include "program/working_set.h"
#include "runtime/platform/platform.h"

namespace {

void BM_PrintProgressLine(benchmark::State& state) {
  std::int64_t pass = 0;
  for (auto _ : state) {
    PrintProgressLine(pass, 1'217);
    pass += 10'000;
  }
}

void BM_QueryWorkingSetKB(benchmark::State& state) {
  const std::int64_t process = platform::CurrentProcess();
  for (auto _ : state) benchmark::DoNotOptimize(QueryWorkingSetKB(process));
}

}  // namespace

BENCHMARK(BM_PrintProgressLine)->Apply(MeasuredByMedian)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QueryWorkingSetKB)->Apply(MeasuredByMedian)->Unit(benchmark::kMicrosecond);
