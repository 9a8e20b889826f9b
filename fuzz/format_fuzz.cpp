// The formatting operations, against texts built from std::to_chars, with each
// vector width this processor has.
#include <cstddef>
#include <cstdint>

#include "fuzz/report.h"
#include "tests/checks.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitStringWorkspace();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  StartAfresh();
  TrapUnless(check::FormatAgrees(data, size));
  return 0;
}
