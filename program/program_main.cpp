// ProgramMain brings the runtime up, runs the benchmark and takes the runtime
// down again; the order of both sequences is fixed.
#include "program/program_main.h"

#include "program/benchmark_run.h"
#include "program/globals.h"
#include "runtime/arrays/array_operations.h"
#include "runtime/console/console.h"
#include "runtime/objects/shared_libraries.h"
#include "runtime/platform/out_of_memory.h"
#include "runtime/platform/platform.h"
#include "runtime/program_heap.h"
#include "runtime/strings/workspace.h"

void ProgramEnd() {
  ReleaseAllSharedLibraries();
}

void ProgramMain() {
  ProgramMainSized(ShippedBenchmarkSizes);
}

void ProgramMainSized(const BenchmarkSizes& sizes) {
  // Start-up.
  ProgramGlobals = {};
  ProgramHeap = nullptr;
  ProgramHeap = platform::CreatePrivateHeap();
  if (ProgramHeap == nullptr) FailOutOfMemory();
  InitStringWorkspace();
  InstallArrayOperations();
  InitSharedLibraries();
  // The close event runs the shared part of the shutdown; the hook is in place
  // before OpenConsole registers the handler that calls it.
  CloseEventHook = ProgramEnd;
  OpenConsole();

  RunBenchmark(sizes);

  // Shutdown.
  ProgramEnd();
  FreeStringWorkspace();
  DetachSharedLibraries();  // the table goes with the ProgramHeap
  platform::DestroyPrivateHeap(ProgramHeap);
  platform::EndProcess(static_cast<std::uint32_t>(ProgramGlobals.ExitCode));
}
