// The fake platform's process: a handle, and a working set that the system
// either reports directly or (the default, as on Windows) leaves to psapi.dll.
#pragma once

#include <cstdint>
#include <optional>

namespace fake {

// The handle CurrentProcess returns.
inline constexpr std::int64_t FakeProcessHandle = 0x7E57;

// With a value, ReadWorkingSetDirectly reports it; without, it reports nothing.
void SetDirectWorkingSet(std::optional<std::int64_t> bytes);
// How often CurrentProcess was called since the last reset.
int CurrentProcessCalls();

void ResetProcessMemory();

}  // namespace fake
