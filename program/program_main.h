// The program frame: start-up, the run, shutdown in a fixed order, and the part
// of the shutdown shared with the console's close event.
#pragma once

// The entry point of the process. Never returns: its last step ends the process
// with the low 32 bits of ExitCode.
[[noreturn]] void ProgramMain();

struct BenchmarkSizes;
// ProgramMain with other sizes of the benchmark run: for the test-only small
// variant of the program. The shipped program has no configuration.
[[noreturn]] void ProgramMainSized(const BenchmarkSizes& sizes);

// Releases every shared library still loaded. Runs in the shutdown and on the
// console's close event; a second call finds nothing left.
void ProgramEnd();
