// The program globals: the words the benchmark run works on. ProgramMain clears
// the whole block, and the ProgramHeap handle that the runtime keeps
// (runtime/memory/heaps.h), before anything else.
#pragma once

#include <cstdint>

struct ProgramGlobalBlock {
  std::int64_t ExitCode;        // the process exit code: the run's result
  std::int64_t PassCount;       // highest pass index of the run
  std::int64_t PassIndex;       // the current pass
  char16_t* BigString;          // StringVariable: the text every pass copies
  std::int64_t LastCheckpoint;  // clock reading after the last progress line
  std::int64_t StartTime;       // clock reading at the start of the run
  void* StringArray;            // array variable: element 0, or null
};
static_assert(sizeof(ProgramGlobalBlock) == 7 * 8, "each program global is one 64-bit word");

extern ProgramGlobalBlock ProgramGlobals;
