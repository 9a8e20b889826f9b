// On Linux a FileHandle carries a file descriptor. It is stored as descriptor + 1,
// so that the null handle stays "no handle", as on Windows, and descriptor 0 is
// not null. Reads and writes on descriptors go through the two functions below,
// which behave as a blocking Windows handle does whatever flags the descriptor has.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include "runtime/platform/platform.h"

namespace platform {

inline FileHandle HandleOfDescriptor(int descriptor) {
  return reinterpret_cast<FileHandle>(static_cast<std::intptr_t>(descriptor) + 1);
}

inline int DescriptorOf(FileHandle handle) {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(handle) - 1);
}

// Reads up to `bytes` bytes into `buffer`, waiting for at least one unless the
// input has ended: retried when a signal interrupts it, and when the descriptor
// is non-blocking, after waiting for input. Returns the count (0 at the end of
// input), or -1 with errno set.
ssize_t ReadDescriptor(int descriptor, void* buffer, std::size_t bytes);

// Writes all `length` bytes, retrying after a signal or a short write and, when
// the descriptor is non-blocking, waiting for room. Stores the count written in
// `*written`; returns false when a write fails.
bool WriteDescriptor(int descriptor, const void* bytes, std::size_t length, std::size_t* written);

}  // namespace platform
