// ReadLine on redirected input, against the line rules.
#include <cstddef>
#include <cstdint>

#include "fuzz/report.h"
#include "tests/checks.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ProgramHeap = CreatePrivateHeap();
  InitStringWorkspace();
  OpenConsole();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  StartAfresh();
  TrapUnless(check::ReadLineAgrees(data, size));
  return 0;
}
