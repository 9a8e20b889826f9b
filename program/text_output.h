// Lines for people and the text tools they read them with: the usage and the
// version. The run's own lines (header, progress, total) are not these; they go
// through the OutputLineHook wherever standard output leads.
#pragma once

#include <cstdint>

// Prints `line` (printable ASCII; anything else shows as "?") on standard output: to a
// console through the OutputLineHook, as every line goes there; to a file or a
// pipe as plain text with the system's line end, so that grep, less and help2man
// read it. Returns 0 when the line was written, otherwise the system's error.
std::int64_t PrintTextLine(const char16_t* line);
