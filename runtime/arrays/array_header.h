// The ArrayHeader that stands 48 bytes before element 0 of every array block, the
// array variable that holds element 0, the per-dimension words after it, and the
// byte size of a block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/arrays/structure_map.h"

// An array variable: null, or the address of element 0 of an array block.
using ArrayVariable = void*;

struct ArrayHeader {
  std::int32_t dimensionCount;  // 1 from CreateArrayBlock, n from CreateArrayBlockDims
  std::int64_t elementSize;     // bytes per element
  StructureMap structureMap;    // managed fields of each element; null for plain data
  ArrayVariable* variable;      // the variable that holds this block
  std::int64_t elementCount;    // total elements, at least 1
  std::int32_t typeCode;        // handed on to every re-creation, never interpreted
};

static_assert(offsetof(ArrayHeader, dimensionCount) == 0);
static_assert(offsetof(ArrayHeader, elementSize) == 8);
static_assert(offsetof(ArrayHeader, structureMap) == 16);
static_assert(offsetof(ArrayHeader, variable) == 24);
static_assert(offsetof(ArrayHeader, elementCount) == 32);
static_assert(offsetof(ArrayHeader, typeCode) == 40);
static_assert(sizeof(ArrayHeader) == 48, "element 0 stands 48 bytes after the block start");

// The header of the array whose element 0 is at `elements` (not null).
inline ArrayHeader* HeaderOf(void* elements) {
  return reinterpret_cast<ArrayHeader*>(static_cast<char*>(elements) - sizeof(ArrayHeader));
}

// Element 0 of the block whose header is `header`.
inline void* ElementsOf(ArrayHeader* header) {
  return reinterpret_cast<char*>(header) + sizeof(ArrayHeader);
}

// Element `index` of the array at `elements`.
inline void* ElementAt(void* elements, std::int64_t elementSize, std::int64_t index) {
  return static_cast<char*>(elements) + index * elementSize;
}

// The per-dimension words that follow `variable` in memory: sizes before
// CreateArrayBlockDims, multipliers after it.
inline std::int64_t* DimensionWordsOf(ArrayVariable* variable) {
  return reinterpret_cast<std::int64_t*>(variable + 1);
}

// A total of at most INT64_MAX always fits a size_t on the 64-bit systems built for.
static_assert(SIZE_MAX >= INT64_MAX);

// Stores sizeof(ArrayHeader) + elementSize * elementCount into `bytes`; false
// when an operand is negative or the size does not fit: a request whose size
// overflows is treated like a block the heap cannot give.
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
