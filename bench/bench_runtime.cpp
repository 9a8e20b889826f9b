// The start-up of ProgramMain, less the console: progress lines go to a scratch
// file (as when the program's output is redirected), so that the harness's own
// report keeps standard output.
#include "bench/bench_runtime.h"

#include <cstdio>
#include <cstdlib>

#include "program/globals.h"
#include "runtime/arrays/array_block.h"
#include "runtime/arrays/array_operations.h"
#include "runtime/console/console.h"
#include "runtime/memory/heaps.h"
#include "runtime/objects/shared_libraries.h"
#include "runtime/platform/platform.h"
#include "runtime/strings/format.h"
#include "runtime/strings/workspace.h"

namespace {

// As many elements as the benchmark run has passes.
constexpr std::int64_t kElementCount = 1'000'001;

StringVariable shippedText;
StringVariable shortText;
StringVariable longText;
std::int64_t nextElement;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "stringchurn_bench: %s\n", what);
  std::exit(1);
}

StringVariable MakeSpaces(std::int32_t length) {
  StringVariable text = nullptr;
  const std::int32_t p = WorkspacePosition();
  SpaceText(length, p);
  AssignFromWorkspace(&text, p);
  return text;
}

void MakeArray() {
  ProgramGlobals.StringArray =
      CreateArrayBlock(sizeof(StringVariable), kElementCount, StringElementTypeCode,
                       StringElementMap, &ProgramGlobals.StringArray);
  if (ProgramGlobals.StringArray == nullptr) Fail("no memory for the string array");
  nextElement = 0;
}

// Progress lines are written to a file that goes away with the process.
void RedirectOutput() {
  StdOutputHandle = platform::OpenScratchFile();
  if (StdOutputHandle == nullptr) Fail("cannot create the scratch file for progress lines");
}

}  // namespace

void StartBenchRuntime() {
  ProgramGlobals = {};
  ProgramHeap = CreatePrivateHeap();
  if (ProgramHeap == nullptr) Fail("cannot create the ProgramHeap");
  InitStringWorkspace();
  InstallArrayOperations();
  InitSharedLibraries();
  RedirectOutput();

  // The long text first: the workspace grows to hold it once, as the run's
  // workspace grows once for its text, and never again.
  longText = MakeSpaces(LongTextLength);
  shippedText = MakeSpaces(ShippedTextLength);
  shortText = MakeSpaces(ShortTextLength);
  ProgramGlobals.BigString = shippedText;
  MakeArray();
}

StringVariable BigText(std::int32_t length) {
  switch (length) {
    case ShippedTextLength:
      return shippedText;
    case ShortTextLength:
      return shortText;
    case LongTextLength:
      return longText;
  }
  Fail("no text of that length");
}

StringVariable* NextNullElement(benchmark::State* timed) {
  if (nextElement == kElementCount) {
    if (timed != nullptr) timed->PauseTiming();
    MakeArray();
    if (timed != nullptr) timed->ResumeTiming();
  }
  return static_cast<StringVariable*>(ProgramGlobals.StringArray) + nextElement++;
}
