// The CSV file of a run, for scripts: a header row, then one row per progress
// line with the figures that line shows. Each row goes out whole and is flushed
// at once, before its line, so a run that is cut short keeps a row for every
// line it printed.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/platform/platform.h"

inline constexpr char ProgressCsvHeader[] = "pass,working_set_kib,duration_ms\n";

// Opens the CSV file at `path`, creating it when there is none (then `*made`), but
// does not empty it, so that other outputs can be compared with it first; the
// run empties it (EmptyFile). Returns null, with the command-line error that
// says why in `*error`, when it cannot be opened or when it is the file that
// standard output or standard error writes, which its rows would mix with; that
// file is left as it was, and closed.
platform::FileHandle OpenProgressCsv(const char16_t* path, bool* made, std::string* error);

// Write the header row and one row to `file`. Return 0, or the system's reason
// when the write failed.
platform::SystemError WriteProgressCsvHeader(platform::FileHandle file);
platform::SystemError WriteProgressCsvRow(platform::FileHandle file, std::int64_t pass,
                                          std::int64_t workingSetKB, std::int64_t durationMs);
