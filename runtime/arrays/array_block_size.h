// The byte size of an array block, refused when it does not fit: a request whose
// size overflows is treated like a block the heap cannot give.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/arrays/array_header.h"

// A total of at most INT64_MAX always fits a size_t on the 64-bit systems built for.
static_assert(SIZE_MAX >= INT64_MAX);

// Stores sizeof(ArrayHeader) + elementSize * elementCount into `bytes`; false
// when an operand is negative or the size does not fit.
inline bool ArrayBlockBytes(std::int64_t elementSize, std::int64_t elementCount,
                            std::size_t* bytes) {
  if (elementSize < 0 || elementCount < 0) return false;
  std::int64_t elementBytes = 0;
  std::int64_t total = 0;
  if (__builtin_mul_overflow(elementSize, elementCount, &elementBytes)) return false;
  if (__builtin_add_overflow(elementBytes, std::int64_t{sizeof(ArrayHeader)}, &total)) return false;
  *bytes = static_cast<std::size_t>(total);
  return true;
}
