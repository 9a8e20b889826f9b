// The command line of the program: the sizes of the run, a CSV file for its
// progress, or a request for the usage or the version. Parsing only; nothing is
// opened or printed here.
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
  const char16_t* csvPath = nullptr;  // one of the arguments, or null for no CSV
  bool compare = false;  // after the total line, the comparison of program/comparison.h
  std::string error;     // for Error: the line to report, without its end
};

// Reads `count` arguments (the program's name left out). Options: --passes N,
// --length L, --interval K, --csv FILE, --compare, --help, --version; a value follows its
// option as the next argument or after "=". A later option overrides an earlier
// one; the first mistake makes the result an Error naming the option and what it
// takes; the argument shows in it as QuotedText shows it (program/error_line.h).
ProgramOptions ParseOptions(const char16_t* const* arguments, std::size_t count);

// The error for a --csv file that cannot be created, with the system's `reason`.
std::string CsvFileError(const char16_t* path, const std::string& reason);
// The error for a --csv file that standard output or standard error writes already.
std::string CsvStandardStreamError(const char16_t* path);

// The usage text, one line each, and the version line.
extern const char16_t* const UsageLines[];
extern const std::size_t UsageLineCount;
extern const char16_t VersionLine[];
