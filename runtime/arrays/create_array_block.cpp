// Creating array blocks: one ProgramHeap allocation and one memset, then the
// construction pass only when the element map has fields that need it.
#include <cstring>

#include "runtime/arrays/array_block.h"
#include "runtime/arrays/array_block_size.h"
#include "runtime/arrays/structure_walkers.h"
#include "runtime/memory/heaps.h"
#include "runtime/memory/private_heap.h"

namespace {

// Releases the array `variable` holds; the variable is null afterwards.
void Empty(ArrayVariable* variable) {
  ReleaseArrayBlock(*variable);
  *variable = nullptr;
}

}  // namespace

void* CreateArrayBlock(std::int64_t elementSize, std::int64_t elementCount, std::int32_t typeCode,
                       StructureMap map, ArrayVariable* variable) {
  Empty(variable);
  if (elementCount < 1) return nullptr;
  std::size_t bytes = 0;
  if (!ArrayBlockBytes(elementSize, elementCount, &bytes)) return nullptr;
  auto* header = static_cast<ArrayHeader*>(AllocateBlock(ProgramHeap, bytes, false));
  if (header == nullptr) return nullptr;

  header->dimensionCount = 1;
  header->elementSize = elementSize;
  header->structureMap = map;
  header->variable = variable;
  header->elementCount = elementCount;
  header->typeCode = typeCode;
  // Zero bytes are a null StringVariable, a null nested array, list or map, and
  // plain data 0: for most maps the elements are complete without a visit.
  void* elements = ElementsOf(header);
  std::memset(elements, 0, bytes - sizeof(ArrayHeader));
  *variable = elements;

  if (MapNeedsConstruction(map) != 0) {
    for (std::int64_t i = 0; i < elementCount; ++i) {
      ConstructStructure(ElementAt(elements, elementSize, i), map);
    }
  }
  return elements;
}

void* CreateArrayBlockDims(std::int64_t n, std::int64_t elementSize, std::int32_t typeCode,
                           StructureMap map, ArrayVariable* variable) {
  std::int64_t* words = DimensionWordsOf(variable);
  for (std::int64_t k = 0; k < n; ++k) {
    if (words[k] < 1) return nullptr;  // nothing changed
  }
  std::int64_t total = 1;
  bool fits = true;
  for (std::int64_t k = 0; k < n && fits; ++k) {
    fits = !__builtin_mul_overflow(total, words[k], &total);
  }
  std::size_t bytes = 0;
  if (!fits || !ArrayBlockBytes(elementSize, total, &bytes)) {
    Empty(variable);
    return nullptr;
  }

  void* elements = CreateArrayBlock(elementSize, total, typeCode, map, variable);
  if (elements == nullptr) return nullptr;
  HeaderOf(elements)->dimensionCount = static_cast<std::int32_t>(n);
  // The sizes become multipliers only once the block exists, so that a refused
  // request leaves them as they were.
  std::int64_t multiplier = 1;
  for (std::int64_t k = n - 1; k >= 0; --k) {
    const std::int64_t size = words[k];
    words[k] = multiplier;
    multiplier *= size;
  }
  return elements;
}
