// The formatting operations, against texts built from std::to_chars, with each
// vector width this processor has.
#include <cstddef>
#include <cstdint>

#include "tests/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = [] {
    InitStringWorkspace();
    return true;
  }();
  check::AtEveryWidth([&](int) {
    if (!started || (size >= 11 && !check::FormatAgrees(data, size))) __builtin_trap();
  });
  return 0;
}
