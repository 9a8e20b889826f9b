// The two slots through which the program prints and reads its lines. They hold
// PrintLine and WaitForLine from load time on (the program throws away the one
// line it reads); the program only calls through them.
#pragma once

#include <cstdint>

// Called with a NUL-terminated text: a constant, or a finished workspace text.
// Returns 0, or the system's reason (a platform::SystemError) when the line could
// not be written.
using OutputLineFunction = std::int64_t (*)(const char16_t* text);
// Called with the current workspace position; the caller sets the position back
// to it afterwards.
using InputLineFunction = std::int64_t (*)(std::int32_t position);

extern OutputLineFunction OutputLineHook;
extern InputLineFunction InputLineHook;

// Prints the workspace text that starts at byte offset `position` through the
// OutputLineHook and sets the workspace position back to it. Returns what the
// hook returns.
std::int64_t PrintWorkspaceLine(std::int32_t position);
