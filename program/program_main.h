// The program frame: the command line, start-up, the run, shutdown in a fixed
// order, and the part of the shutdown shared with the console's close event.
#pragma once

#include "program/error_line.h"

// The entry point of the process. Reads the command line first: a mistake in it
// is reported in one line on standard error and ends the process with
// CommandLineErrorExitCode. Otherwise starts the runtime, runs the benchmark (or
// prints the usage or the version), and shuts down. Never returns: its last step
// ends the process with the low 32 bits of ExitCode, which is the run's result
// (program/benchmark_run.h): 0, or the code of what stopped it.
[[noreturn]] void ProgramMain();

struct BenchmarkSizes;
struct RunOutputs;
// ProgramMain after its command line: the run of these sizes, with what it
// writes besides its lines (program/benchmark_run.h), between start-up and shutdown.
[[noreturn]] void ProgramMainSized(const BenchmarkSizes& sizes, const RunOutputs& outputs);

// Start-up, in its fixed order: clears the program globals, creates the
// ProgramHeap (ending the process as out of memory when it cannot), the
// StringWorkspace, the array operations and the library table, and opens the
// console with ProgramEnd as the close event's hook.
void StartRuntime();

// Releases every shared library still loaded. Runs in the shutdown and on the
// console's close event; a second call finds nothing left.
void ProgramEnd();
