// Line input: one line from the console, or from the file or pipe that stands in
// for it, into the StringWorkspace.
#pragma once

#include <cstdint>

// Reads one line into the workspace at byte offset `position` (the current
// position or an earlier, saved one) and returns its length in characters. The
// text is left there NUL-terminated, without its line break, and the workspace
// position ends on the NUL. The end of input gives the one-character line
// EndOfInputChar, again at every later call. The workspace may move: take its
// buffer pointer again after the call.
//
// From a console, the line is what one console read delivers, less a final CR
// LF. From a file or pipe, the text is UTF-16LE in which every CR, every LF and
// every CR LF pair ends a line, wherever the reads fall; what follows a break is
// kept for the next call.
std::int64_t ReadLine(std::int32_t position);

// Reads one line as ReadLine does, for a caller that throws it away, and keeps
// only its first LineReservation characters: the rest is read and dropped up to
// the line's end or the input's, so that input without a line end never fills
// memory: its room in the workspace stays within twice LineReservation characters.
std::int64_t WaitForLine(std::int32_t position);
