// How the program ends before its time: the exit codes, and the one line on
// standard error that says why. (Running out of memory is the runtime's own:
// runtime/memory/out_of_memory.h.)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/platform/platform.h"

// Exit code of a run whose lines or CSV rows could not be written.
inline constexpr std::uint32_t OutputFailedExitCode = 1;
// Exit code of a process whose command line was refused; nothing was run.
inline constexpr std::uint32_t CommandLineErrorExitCode = 2;

// `text` as plain ASCII: printable ASCII kept, anything else "?".
std::string PlainText(std::u16string_view text);

// `text` (a name or an argument) as error lines show it: in double quotes, as
// UTF-8. Escaped are only a double quote (\"), a backslash before what would read
// as an escape (\\), controls such as TAB and line ends (\x09, \u0085) and lone
// surrogates: on Linux a byte of a name that is not UTF-8 shows as \xHH.
std::string QuotedText(std::u16string_view text);

// The system's own words for `error`, as UTF-8 with its controls escaped.
std::string SystemReason(platform::SystemError error);

// Writes "stringchurn: ", `error` (UTF-8) and a line end to standard error, and
// for a command line refused the line "Try 'stringchurn --help'."; returns
// `exitCode`.
std::int64_t WriteErrorLine(std::uint32_t exitCode, const std::string& error);

// Reports that the run's output failed with `error`: the progress CSV named
// `file`, or standard output when `file` is null. Writes "cannot write <what>:
// <reason>" with the file's name quoted, except for standard output whose reader
// has gone, which ends the run quietly as it ends any Unix tool in a pipeline.
// Returns OutputFailedExitCode.
std::int64_t ReportCannotWrite(const char16_t* file, platform::SystemError error);

// Takes what printing a line for standard output returned (0, or the system's
// error, as the OutputLineHook returns): 0 when the line was written; otherwise
// reports it with ReportCannotWrite and returns its exit code.
std::int64_t ReportIfNotPrinted(std::int64_t printed);
