// Line output: one line of UTF-16 text, ended by CR LF, to standard output; as
// text to a console, as raw UTF-16LE to a file or pipe.
#pragma once

#include <cstdint>

// Writes `text` (null counts as empty) and CR LF to StdOutputHandle and flushes
// it, so that the line reaches a file or pipe at once. It needs no memory of the
// heap's: a line of up to 4,094 characters goes out in one write with its CR LF,
// a longer one in pieces (of any length). Returns 0, or the system's reason when
// a write failed (a platform::SystemError), so that the program can tell a full
// disk or a closed stream from a line written.
std::int64_t PrintLine(const char16_t* text);

// Writes `count` characters from `buffer` to StdOutputHandle: to the console, or,
// when that fails because the handle is a file or pipe, as raw UTF-16LE without
// a byte-order mark. Returns the result of the last write; nothing is retried.
bool WriteConsoleText(const char16_t* buffer, std::uint32_t count);
