// One line of the progress table: pass number, working set of the program's own
// process and the duration of the last stretch of passes, 37 characters in all
// unless a figure needs more room.
#pragma once

#include <cstdint>

// The program's own process handle; filled by the first progress line. Zero at
// load and never cleared by ProgramMain.
extern std::int64_t CurrentProcessHandle;

// Right-justifies the text from `field` to the workspace position in `width`
// characters. A longer text keeps all its characters: a figure cut to its first
// digits would read as a smaller one.
void PadField(std::int32_t field, std::int32_t width);

// Builds the line for pass `pass` and `durationMs` milliseconds at the current
// workspace position and returns that position; the workspace position is left
// at the end of the line. The pass right-justified in 7 characters, TAB, the
// working set grouped with "." and followed by " K" in 16, TAB, the duration in
// 10, "ms"; a figure longer than its field widens the field. Stores the
// working-set figure of the line in `*workingSetKB` when that is not null.
std::int32_t BuildProgressLine(std::int64_t pass, std::int64_t durationMs,
                               std::int64_t* workingSetKB = nullptr);

// Builds the line, prints it through the OutputLineHook and sets the workspace
// position back. Returns what the hook returns: 0, or why the line was not written.
std::int64_t PrintProgressLine(std::int64_t pass, std::int64_t durationMs,
                               std::int64_t* workingSetKB = nullptr);
