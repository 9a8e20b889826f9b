// The working-set probe: how much memory a process holds, in KiB.
#pragma once

#include <cstdint>

// The working set of `process` (a process handle) in KiB, truncated; 0 when it
// cannot be found out.
std::int64_t QueryWorkingSetKB(std::int64_t process);
