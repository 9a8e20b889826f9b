// The one way the runtime gives up: a private heap that cannot be created, or a
// block the runtime cannot do without, ends the process with a message.
#pragma once

#include <cstdint>

// Exit code of a process that ran out of memory.
inline constexpr std::uint32_t OutOfMemoryExitCode = 3;

// Writes "stringchurn: out of memory" to standard error and ends the process
// with OutOfMemoryExitCode. Never returns.
[[noreturn]] void FailOutOfMemory();
