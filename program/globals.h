// The program globals: the words the benchmark run works on and the ProgramHeap,
// on which the runtime keeps its arrays, object tables and console buffers.
// ProgramMain clears the whole block in one step before anything else.
#pragma once

#include <cstdint>

#include "runtime/platform/platform.h"

struct ProgramGlobalBlock {
  platform::HeapHandle ProgramHeap;  // private heap of the runtime
  std::int64_t ExitCode;             // the process exit code; stays 0
  std::int64_t PassCount;            // highest pass index of the run
  std::int64_t PassIndex;            // the current pass
  char16_t* BigString;               // StringVariable: the text every pass copies
  std::int64_t LastCheckpoint;       // clock reading after the last progress line
  std::int64_t StartTime;            // clock reading at the start of the run
  void* StringArray;                 // array variable: element 0, or null
};
static_assert(sizeof(ProgramGlobalBlock) == 8 * 8, "each program global is one 64-bit word");

extern ProgramGlobalBlock ProgramGlobals;
