// On Linux a FileHandle carries a file descriptor. It is stored as descriptor + 1,
// so that the null handle stays "no handle", as on Windows, and descriptor 0 is
// not null.
#pragma once

#include <cstdint>

#include "runtime/platform/platform.h"

namespace platform {

inline FileHandle HandleOfDescriptor(int descriptor) {
  return reinterpret_cast<FileHandle>(static_cast<std::intptr_t>(descriptor) + 1);
}

inline int DescriptorOf(FileHandle handle) {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(handle) - 1);
}

}  // namespace platform
