// The runtime as the harness runs it: started once for the whole process, with
// the texts every pass copies and the string array the passes fill, as the
// benchmark run sets them up.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

#include "runtime/strings/string_variable.h"

// The length of the benchmark's text, and the other lengths the harness tries.
inline constexpr std::int32_t ShippedTextLength = 1'000'000;
inline constexpr std::int32_t ShortTextLength = 100'000;
inline constexpr std::int32_t LongTextLength = 10'000'000;

// Starts the runtime on the real platform: the ProgramHeap, the StringWorkspace,
// the array operations and the library table; the texts of the three lengths;
// the string array; progress lines going to a scratch file.
void StartBenchRuntime();

// The StringVariable that holds `length` spaces (one of the lengths above).
StringVariable BigText(std::int32_t length);

// The next null element of the string array, element after element; a fresh
// array replaces the old one when every element has been used, with the
// timing of `timed` (when not null) paused: the run never replaces its array.
StringVariable* NextNullElement(benchmark::State* timed);
