// The formatting operations of the progress line next to plain C++: std::to_chars
// and a widening copy to UTF-16. The values are those a progress line shows.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstring>

#include "bench/bench_settings.h"
#include "bench/heap_calls.h"
#include "runtime/strings/format.h"
#include "runtime/strings/workspace.h"

namespace {

constexpr std::int64_t kPass = 990'000;
constexpr double kWorkingSetKiB = 32'868;
constexpr std::int32_t kPassWidth = 7;

// The ASCII digits widened into `out`, with a NUL; returns the character count.
std::size_t Widen(char16_t* out, const char* digits, const char* end) {
  std::size_t n = 0;
  for (const char* d = digits; d != end; ++d) out[n++] = static_cast<unsigned char>(*d);
  out[n] = u'\0';
  return n;
}

void BM_IntegerText(benchmark::State& state) {
  std::int64_t value = kPass;
  const AllocationCounts before = CurrentAllocationCounts();
  for (auto _ : state) {
    benchmark::DoNotOptimize(value);
    const std::int32_t p = WorkspacePosition();
    IntegerText(value, p);
    StringWorkspace.position = p;
    benchmark::ClobberMemory();
  }
  ReportAllocations(state, before);
}

void BM_ToCharsInteger(benchmark::State& state) {
  std::int64_t value = kPass;
  char16_t out[32];
  for (auto _ : state) {
    benchmark::DoNotOptimize(value);
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    benchmark::DoNotOptimize(Widen(out, digits, end));
    benchmark::ClobberMemory();
  }
}

// The pass field of the progress line: the digits, right-justified in 7.
void BM_IntegerTextPadLeftText(benchmark::State& state) {
  std::int64_t value = kPass;
  const AllocationCounts before = CurrentAllocationCounts();
  for (auto _ : state) {
    benchmark::DoNotOptimize(value);
    const std::int32_t p = WorkspacePosition();
    IntegerText(value, p);
    PadLeftText(WorkspaceTextAt(p), kPassWidth, p);
    StringWorkspace.position = p;
    benchmark::ClobberMemory();
  }
  ReportAllocations(state, before);
}

void BM_ToCharsPadded(benchmark::State& state) {
  std::int64_t value = kPass;
  char16_t out[32];
  for (auto _ : state) {
    benchmark::DoNotOptimize(value);
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto length = static_cast<std::size_t>(end - digits);
    const std::size_t pad = length < kPassWidth ? kPassWidth - length : 0;
    for (std::size_t i = 0; i < pad; ++i) out[i] = u' ';
    Widen(out + pad, digits, digits + (length < kPassWidth ? length : kPassWidth));
    benchmark::ClobberMemory();
  }
}

// PadLeftText alone: the digits of the pass field, from outside the workspace.
void BM_PadLeftText(benchmark::State& state) {
  const AllocationCounts before = CurrentAllocationCounts();
  for (auto _ : state) {
    const std::int32_t p = WorkspacePosition();
    PadLeftText(u"990000", kPassWidth, p);
    StringWorkspace.position = p;
    benchmark::ClobberMemory();
  }
  ReportAllocations(state, before);
}

// The memory field: the working set in KiB, no decimals, "." between groups.
void BM_FormatGrouped(benchmark::State& state) {
  double value = kWorkingSetKiB;
  const AllocationCounts before = CurrentAllocationCounts();
  for (auto _ : state) {
    benchmark::DoNotOptimize(value);
    const std::int32_t p = WorkspacePosition();
    FormatGrouped(value, 0, u",", u".", p);
    StringWorkspace.position = p;
    benchmark::ClobberMemory();
  }
  ReportAllocations(state, before);
}

void BM_ToCharsDouble(benchmark::State& state) {
  double value = kWorkingSetKiB;
  char16_t out[32];
  for (auto _ : state) {
    benchmark::DoNotOptimize(value);
    char digits[32];
    const char* end =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 0).ptr;
    benchmark::DoNotOptimize(Widen(out, digits, end));
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(BM_IntegerText)->Apply(MeasuredByMedian);
BENCHMARK(BM_ToCharsInteger)->Apply(MeasuredByMedian);
BENCHMARK(BM_IntegerTextPadLeftText)->Apply(MeasuredByMedian);
BENCHMARK(BM_ToCharsPadded)->Apply(MeasuredByMedian);
BENCHMARK(BM_PadLeftText)->Apply(MeasuredByMedian);
BENCHMARK(BM_FormatGrouped)->Apply(MeasuredByMedian);
BENCHMARK(BM_ToCharsDouble)->Apply(MeasuredByMedian);
