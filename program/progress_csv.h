// The CSV file of a run, for scripts: a header row, then one row per progress
// line with the figures that line shows. Each row goes out whole and is flushed
// at once, so a run that is cut short keeps every row it printed.
#pragma once

#include <cstdint>

#include "runtime/platform/platform.h"

inline constexpr char ProgressCsvHeader[] = "pass,working_set_kib,duration_ms\n";

// Write the header row and one row to `file`; failed writes are ignored, as
// those of the progress lines are.
void WriteProgressCsvHeader(platform::FileHandle file);
void WriteProgressCsvRow(platform::FileHandle file, std::int64_t pass, std::int64_t workingSetKB,
                         std::int64_t durationMs);
