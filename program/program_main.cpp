// ProgramMain reads the command line before anything else, then brings the
// runtime up, runs the benchmark and takes the runtime down again; the order of
// both sequences is fixed.
#include "program/program_main.h"

#include "program/benchmark_run.h"
#include "program/error_line.h"
#include "program/globals.h"
#include "program/options.h"
#include "program/run_record.h"
#include "program/text_output.h"
#include "runtime/arrays/array_operations.h"
#include "runtime/console/console.h"
#include "runtime/memory/heaps.h"
#include "runtime/memory/out_of_memory.h"
#include "runtime/objects/shared_libraries.h"
#include "runtime/strings/workspace.h"

namespace {

[[noreturn]] void FailCommandLine(const std::string& error) {
  platform::EndProcess(static_cast<std::uint32_t>(WriteErrorLine(CommandLineErrorExitCode, error)));
}

// The usage or the version; output that fails ends it as it ends a run.
void PrintTextLines(const char16_t* const* lines, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (const std::int64_t code = ReportIfNotPrinted(PrintTextLine(lines[i]))) {
      ProgramGlobals.ExitCode = code;
      return;
    }
  }
}

// Start-up, `body`, shutdown.
template <typename Body>
[[noreturn]] void RunInFrame(const Body& body) {
  StartRuntime();
  body();

  // Shutdown.
  ProgramEnd();
  FreeStringWorkspace();
  DetachSharedLibraries();  // the table goes with the ProgramHeap
  DestroyPrivateHeap(ProgramHeap);
  platform::EndProcess(static_cast<std::uint32_t>(ProgramGlobals.ExitCode));
}

}  // namespace

void StartRuntime() {
  ProgramGlobals = {};
  ProgramHeap = CreatePrivateHeap();
  if (ProgramHeap == nullptr) FailOutOfMemory();
  InitStringWorkspace();
  InstallArrayOperations();
  InitSharedLibraries();
  // Every control event waits for a record being put in place, and the close
  // event runs the shared part of the shutdown; the hooks are in place before
  // OpenConsole registers the handler that calls them.
  RunRecord::InitFinishing();
  ControlEventHook = RunRecord::StopFinishing;
  CloseEventHook = ProgramEnd;
  OpenConsole();
}

void ProgramEnd() {
  ReleaseAllSharedLibraries();
}

void ProgramMain() {
  std::size_t count = 0;
  const char16_t* const* arguments = platform::CommandLineArguments(&count);
  const ProgramOptions options = ParseOptions(arguments, count);
  switch (options.action) {
    case ProgramAction::Error:
      FailCommandLine(options.error);
    case ProgramAction::Usage:
      RunInFrame([] { PrintTextLines(UsageLines, UsageLineCount); });
    case ProgramAction::Version:
      RunInFrame([] { PrintTextLines(VersionLines, VersionLineCount); });
    case ProgramAction::Run:
      break;
  }
  ProgramMainSized(options.sizes, options.outputs);
}

void ProgramMainSized(const BenchmarkSizes& sizes, const RunOutputs& outputs) {
  RunInFrame([&] { ProgramGlobals.ExitCode = RunBenchmark(sizes, outputs); });
}
