// What the processor offers, from the compiler's own query of it. The query also
// asks the system whether it saves the registers, so it is the same on Windows
// and on Linux.
#include "runtime/platform/platform.h"

namespace platform {

bool ProcessorHasVectorBytes(int bytes) {
  __builtin_cpu_init();
  switch (bytes) {
    case 16:
      return true;
    case 32:
      return __builtin_cpu_supports("avx2");
    case 64:
      return __builtin_cpu_supports("avx512bw");
  }
  return false;
}

}  // namespace platform
