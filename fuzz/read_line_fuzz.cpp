// ReadLine on redirected input, against the line rules.
#include <cstddef>
#include <cstdint>

#include "tests/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = [] {
    ProgramHeap = CreatePrivateHeap();
    InitStringWorkspace();
    OpenConsole();
    return true;
  }();
  if (!started || !check::ReadLineAgrees(data, size)) __builtin_trap();
  return 0;
}
