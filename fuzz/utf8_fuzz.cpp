// The terminal's UTF-8 conversions, against the standard's definition.
#include <cstddef>
#include <cstdint>

#include "fuzz/report.h"
#include "tests/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TrapUnless(check::Utf8Agrees(data, size));
  return 0;
}
