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

// `text` as error lines show it: printable ASCII kept, anything else "?".
std::string PlainText(std::u16string_view text);

// The system's own words for `error`, as PlainText.
std::string SystemReason(platform::SystemError error);

// Writes "stringchurn: ", `error` and a line end to standard error; returns `exitCode`.
std::int64_t ReportFailure(std::uint32_t exitCode, const std::string& error);

// The run's output failed with `error`: the progress CSV named `file`, or
// standard output when `file` is null. Reports "cannot write <what>: <reason>",
// except for standard output whose reader has gone, which ends the run quietly
// as it ends any Unix tool in a pipeline. Returns OutputFailedExitCode.
std::int64_t ReportOutputFailure(const char16_t* file, platform::SystemError error);

// What a line for standard output comes to, given what printing it returned
// (0, or the system's error, as the OutputLineHook returns): 0 when it was
// written, otherwise ReportOutputFailure's exit code, reported.
std::int64_t ReportedLineFailure(std::int64_t printed);
