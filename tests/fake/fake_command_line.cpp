// The fake platform's command line and output files: the program is started
// with no arguments, and no file can be created.
#include "runtime/platform/platform.h"

namespace platform {

const char16_t* const* CommandLineArguments(std::size_t* count) {
  *count = 0;
  return nullptr;
}

FileHandle CreateOutputFile(const char16_t*) {
  return nullptr;
}

}  // namespace platform
