// The command line of the program: the sizes of the run, the files it writes
// besides its lines, or a request for the usage or the version. Parsing only;
// nothing is opened or printed here.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

#include "program/benchmark_run.h"
#include "runtime/arrays/array_header.h"
#include "runtime/strings/string_variable.h"
#include "runtime/strings/workspace.h"

// The largest sizes a run can take: the array of passes 0 to MaxPassCount and its
// header stay within a signed 64-bit byte count, and the text of spaces within
// what the workspace can hold.
inline constexpr std::int64_t MaxPassCount =
    (INT64_MAX - std::int64_t{sizeof(ArrayHeader)}) / std::int64_t{sizeof(StringVariable)} - 1;
inline constexpr std::int64_t MaxTextLength = WorkspaceNeedLimit / 2;
inline constexpr std::int64_t MaxProgressInterval = INT64_MAX;

enum class ProgramAction { Run, Usage, Version, Error };

struct ProgramOptions {
  ProgramAction action = ProgramAction::Run;
  BenchmarkSizes sizes = ShippedBenchmarkSizes;
  RunOutputs outputs;  // file names are arguments themselves
  std::string error;   // for Error: the line to report, without its end
};

// Reads `count` arguments (the program's name left out). Options: --passes N,
// --length L, --interval K, --csv FILE, --json FILE, --compare, --no-wait, --help
// or -h, --version or -V; a value follows its option as the next argument or after
// "=". A later option overrides an earlier one; "--" ends the options, and nothing
// may follow it. The first mistake makes the result an Error naming the option and
// what it takes; the argument shows in it as QuotedText shows it
// (program/error_line.h).
ProgramOptions ParseOptions(const char16_t* const* arguments, std::size_t count);

enum class OutputFile { Csv, Json };
// The error for a --csv or --json file that cannot be created, with `reason`.
std::string OutputFileError(OutputFile file, const char16_t* path, const std::string& reason);
// The error for a --csv or --json file that standard output or standard error writes already.
std::string OutputFileStandardStreamError(OutputFile file, const char16_t* path);

// The usage text and the version text, one line each.
extern const char16_t* const UsageLines[];
extern const std::size_t UsageLineCount;
extern const char16_t* const VersionLines[];
extern const std::size_t VersionLineCount;
