// ProgramMain brings the runtime up, runs the benchmark and takes the runtime
// down again; the order of both sequences is fixed.
#include "program/program_main.h"

#include "program/globals.h"
#include "runtime/arrays/array_operations.h"
#include "runtime/console/console.h"
#include "runtime/console/line_hooks.h"
#include "runtime/objects/shared_libraries.h"
#include "runtime/platform/out_of_memory.h"
#include "runtime/platform/platform.h"
#include "runtime/strings/workspace.h"

void ProgramEnd() {
  ReleaseAllSharedLibraries();
}

namespace {

// Stands in for the benchmark run: one line out, one line in, each through its
// hook and each an expression of the workspace.
void RunUntilTheBenchmarkLands() {
  const auto saved = static_cast<std::int32_t>(StringWorkspace.position);
  AppendText(u"Press Enter to end.");
  OutputLineHook(WorkspaceTextAt(saved));
  TruncateWorkspace(saved);
  InputLineHook(saved);
  TruncateWorkspace(saved);
}

}  // namespace

void ProgramMain() {
  // Start-up.
  ProgramGlobals = {};
  ProgramGlobals.ProgramHeap = platform::CreatePrivateHeap();
  if (ProgramGlobals.ProgramHeap == nullptr) FailOutOfMemory();
  InitStringWorkspace();
  InstallArrayOperations();
  InitSharedLibraries();
  OpenConsole();

  RunUntilTheBenchmarkLands();

  // Shutdown.
  ProgramEnd();
  FreeStringWorkspace();
  DetachSharedLibraries();  // the table goes with the ProgramHeap
  platform::DestroyPrivateHeap(ProgramGlobals.ProgramHeap);
  platform::EndProcess(static_cast<std::uint32_t>(ProgramGlobals.ExitCode));
}
