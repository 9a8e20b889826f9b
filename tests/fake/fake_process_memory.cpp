// The fake process behind the working-set probe.
#include "tests/fake/fake_process_memory.h"

#include "runtime/platform/platform.h"

namespace {

struct FakeProcessMemory {
  std::optional<std::int64_t> directBytes;
  int currentProcessCalls = 0;
};

FakeProcessMemory& Memory() {
  static FakeProcessMemory memory;
  return memory;
}

}  // namespace

namespace platform {

std::int64_t CurrentProcess() {
  ++Memory().currentProcessCalls;
  return fake::FakeProcessHandle;
}

bool ReadWorkingSetDirectly(std::int64_t process, std::int64_t* bytes) {
  if (process != fake::FakeProcessHandle || !Memory().directBytes) return false;
  *bytes = *Memory().directBytes;
  return true;
}

}  // namespace platform

namespace fake {

void SetDirectWorkingSet(std::optional<std::int64_t> bytes) {
  Memory().directBytes = bytes;
}
int CurrentProcessCalls() {
  return Memory().currentProcessCalls;
}
void ResetProcessMemory() {
  Memory() = FakeProcessMemory{};
}

}  // namespace fake
