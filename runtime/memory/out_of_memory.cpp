// Shared above the seam: the message and exit code are the same on every system.
#include "runtime/memory/out_of_memory.h"

#include "runtime/platform/platform.h"

void FailOutOfMemory() {
  static constexpr char kMessage[] = "stringchurn: out of memory\n";
  platform::WriteStandardError(kMessage, sizeof kMessage - 1);
  platform::EndProcess(OutOfMemoryExitCode);
}
