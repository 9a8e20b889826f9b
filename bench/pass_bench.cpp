// One benchmark pass, three ways: the physical limit (the two copies that a pass
// cannot avoid), the pass through the runtime, and the same work in plain C++.
// Each runs at the shipped length and at a shorter and a longer one; the parts of
// the runtime's pass are measured on their own too.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_runtime.h"
#include "bench/bench_settings.h"
#include "bench/heap_calls.h"
#include "program/reference_passes.h"
#include "runtime/memory/heaps.h"
#include "runtime/platform/platform.h"
#include "runtime/strings/string_variable.h"
#include "runtime/strings/text.h"
#include "runtime/strings/workspace.h"

namespace {

// The two copies of the text with its NUL that no pass can avoid: into the
// workspace, and out of it into the element's block. The program's --compare
// times the same CopyLimitPass.
void BM_Limit(benchmark::State& state) {
  const auto length = static_cast<std::int32_t>(state.range(0));
  const StringVariable text = BigText(length);
  const std::size_t bytes = 2 * static_cast<std::size_t>(length) + 2;
  StringVariable block = nullptr;
  AssignText(&block, text);  // a block of the element's size, on the StringHeap
  char16_t* workspace = WorkspaceTextAt(StringWorkspace.position);
  for (auto _ : state) CopyLimitPass(text, workspace, block, bytes);
  AssignText(&block, nullptr);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 2 *
                          static_cast<std::int64_t>(bytes));
}

// One pass of the benchmark run, on the next element of a real array: the text
// appended to the workspace, stored into the null element, then the empty text.
void OnePass(const StringVariable text, benchmark::State* timed) {
  StringVariable* element = NextNullElement(timed);
  const std::int32_t p = WorkspacePosition();
  AppendText(text);
  AssignFromWorkspace(element, p);
  AssignText(element, u"");
}

// The passes, one element after another. One pass goes untimed before the others: the run has a
// single length, but here the passes of the other lengths come in between and leave the heap
// keeping a block of their own size.
void BM_Pass(benchmark::State& state) {
  const auto length = static_cast<std::int32_t>(state.range(0));
  const StringVariable text = BigText(length);
  OnePass(text, nullptr);
  const AllocationCounts before = CurrentAllocationCounts();
  for (auto _ : state) OnePass(text, &state);
  ReportAllocations(state, before);
}

// The same work in plain C++, PlainCxxPass, on one string of a vector after
// another, as --compare times it on one string.
void BM_PlainCxx(benchmark::State& state) {
  const auto length = static_cast<std::size_t>(state.range(0));
  const std::u16string text(length, u' ');
  std::vector<std::u16string> elements(1'000'001);
  std::size_t next = 0;
  const AllocationCounts before = CurrentAllocationCounts();
  for (auto _ : state) {
    if (next == elements.size()) next = 0;
    PlainCxxPass(elements[next++], text);
  }
  ReportAllocations(state, before);
}

// The parts of the runtime's pass.
void BM_FindTerminator(benchmark::State& state) {
  const StringVariable text = BigText(ShippedTextLength);
  for (auto _ : state) benchmark::DoNotOptimize(FindTerminator(text));
}

void BM_AppendText(benchmark::State& state) {
  const StringVariable text = BigText(ShippedTextLength);
  for (auto _ : state) {
    const std::int32_t p = WorkspacePosition();
    AppendText(text);
    StringWorkspace.position = p;
  }
}

// AssignFromWorkspace into a null element and the empty text after it, on a
// workspace that already holds the text.
void BM_StoreAndEmpty(benchmark::State& state) {
  const std::int32_t p = WorkspacePosition();
  AppendText(BigText(ShippedTextLength));
  const std::int64_t end = StringWorkspace.position;
  const AllocationCounts before = CurrentAllocationCounts();
  for (auto _ : state) {
    StringVariable* element = NextNullElement(&state);
    StringWorkspace.position = end;
    AssignFromWorkspace(element, p);
    AssignText(element, u"");
  }
  ReportAllocations(state, before);
}

// The heap calls of the pass alone: a fresh block of the element's size, then
// shrunk to the 10 bytes of the empty text.
void BM_HeapCalls(benchmark::State& state) {
  const std::size_t bytes = StringBlockBytes(ShippedTextLength);
  for (auto _ : state) {
    StringVariable* element = NextNullElement(&state);
    *element = static_cast<char16_t*>(AllocateBlock(StringHeap, bytes, false));
    benchmark::DoNotOptimize(*element);
    *element = static_cast<char16_t*>(ResizeBlock(StringHeap, *element, 10, false));
    **element = u'\0';
  }
}

void PassLengths(benchmark::internal::Benchmark* b) {
  b->Arg(ShippedTextLength)->Arg(ShortTextLength)->Arg(LongTextLength);
}

}  // namespace

BENCHMARK(BM_Limit)->Apply(PassLengths)->Apply(MeasuredByMedian)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Pass)->Apply(PassLengths)->Apply(MeasuredByMedian)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainCxx)->Apply(PassLengths)->Apply(MeasuredByMedian)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindTerminator)->Apply(MeasuredByMedian)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppendText)->Apply(MeasuredByMedian)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreAndEmpty)->Apply(MeasuredByMedian)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeapCalls)->Apply(MeasuredByMedian)->Unit(benchmark::kMicrosecond);
