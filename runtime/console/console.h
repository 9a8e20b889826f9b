// The process's console: the state that OpenConsole sets up once at start-up and
// the line operations read, and the handler of the console's control events.
// Line output is in print_line.h, line input in read_line.h.
#pragma once

#include <cstdint>

#include "runtime/platform/platform.h"

// ReadLine's first reservation and its growth step, in characters; also the most
// characters one console read may deliver.
inline constexpr std::int32_t LineReservation = 0x1000;
// On redirected input, fewer free reserved characters than this before a read
// make ReadLine grow its reservation.
inline constexpr std::int32_t LowWaterMark = 0x200;
// Processed input, line input and echo: set on the input handle by every ReadLine.
inline constexpr std::uint32_t InputMode =
    platform::ProcessedInputMode | platform::LineInputMode | platform::EchoInputMode;
static_assert(InputMode == 7);
// A line of exactly this one character reports the end of input.
inline constexpr char16_t EndOfInputChar = 0x0004;
// Typed alone on a console line (Ctrl-Z), it is replaced by EndOfInputChar.
inline constexpr char16_t ConsoleEndOfFileKey = 0x001A;

inline constexpr char16_t CarriageReturn = u'\r';
inline constexpr char16_t LineFeed = u'\n';

// The standard handles, fetched by OpenConsole.
extern platform::FileHandle StdInputHandle;
extern platform::FileHandle StdOutputHandle;
// Held by ReadLine on redirected input, across its reads; guards the pending input.
extern platform::Lock InputLock;
// Redirected input that followed the line break of the last line returned: a
// NUL-terminated text of fewer than LineReservation characters in a ProgramHeap
// block, or null. The next ReadLine consumes it before it reads anything new.
extern char16_t* PendingInput;
// The characters of PendingInput. Input may hold NUL characters, so its
// terminator does not tell where it ends.
extern std::int32_t PendingInputLength;
// A read may end in the middle of a character, with its first byte only. When
// that byte follows the last line returned, it is held here for the next
// ReadLine, which places it behind PendingInput.
extern bool PendingByteHeld;
extern std::uint8_t PendingByte;
// Set when the last line returned from redirected input ended on a CR that was
// the last character read: an LF that comes first in the next read belongs to
// that CR and is dropped, so a CR LF is one line break wherever the reads fall.
extern bool SkipLineFeed;

// Forgets what ReadLine carries from one call to the next (the pending input, a
// held byte, an LF to skip), as when the process is loaded. The pending input's
// block is not freed: it goes with its heap.
void ResetLineInput();

// What ConsoleControlHandler runs on the close event before the system ends the
// process: the program installs the shared part of its shutdown here at
// start-up, before OpenConsole. Null runs nothing.
using CloseEventFunction = void (*)();
extern CloseEventFunction CloseEventHook;

// What ConsoleControlHandler runs first on every event, each of which ends the
// process: the program finishes there what must not be left half done. Null runs
// nothing.
using ControlEventFunction = void (*)();
extern ControlEventFunction ControlEventHook;

// Sets up the console: allocates one if the process has none, fetches the
// standard handles, registers ConsoleControlHandler, sets the title when `title`
// is not null, and prepares InputLock. Always returns 1. Start-up passes no title.
std::int64_t OpenConsole(const char16_t* title = nullptr);

// Called by the system on a thread of its own for each console control event.
// It runs ControlEventHook, and on the close event CloseEventHook after it.
// Returns 0 (not handled) for every event, so that the system's default handling,
// which ends the process, follows.
std::int32_t ConsoleControlHandler(std::uint32_t controlType);
