// Array blocks: creating one (one ProgramHeap allocation and one memset, then the
// construction pass only when the element map needs it), copying one onto
// another, releasing one; and the start-up step that fills the ArrayOperations.
#include "runtime/arrays/array_block.h"

#include <algorithm>
#include <cstring>

#include "runtime/arrays/array_operations.h"
#include "runtime/arrays/structure_walkers.h"
#include "runtime/memory/heaps.h"
#include "runtime/memory/private_heap.h"

ArrayOperationTable ArrayOperations;

void InstallArrayOperations() {
  ArrayOperations.CreateArrayBlockDims = CreateArrayBlockDims;
  ArrayOperations.CreateArrayBlock = CreateArrayBlock;
  ArrayOperations.CopyArrayBlock = CopyArrayBlock;
  ArrayOperations.ReleaseArrayBlock = ReleaseArrayBlock;
}

namespace {

// Releases the array `variable` holds; the variable is null afterwards.
void Empty(ArrayVariable* variable) {
  ReleaseArrayBlock(*variable);
  *variable = nullptr;
}

// Whether the destination can take the source's elements: as many, of the same
// size and map (one of another type would be overrun or misread). If so, the
// destination takes over the source's shape: only the totals had to agree.
bool TakeShape(const ArrayHeader* from, const ArrayHeader* to) {
  if (from->elementCount != to->elementCount || from->elementSize != to->elementSize ||
      from->structureMap != to->structureMap)
    return false;
  if (from->dimensionCount >= 2) {
    std::copy_n(DimensionWordsOf(from->variable), from->dimensionCount,
                DimensionWordsOf(to->variable));
  }
  return true;
}

// The copy of the elements of `source` onto `destination`, re-created first
// with `recreate`, for a source that the destination's release leaves in place.
std::int64_t CopyElements(void* source, void* destination, std::int32_t recreate) {
  const ArrayHeader* from = HeaderOf(source);
  ArrayHeader* to = HeaderOf(destination);
  if (recreate != 0) {
    destination = CreateArrayBlock(from->elementSize, from->elementCount, from->typeCode,
                                   from->structureMap, to->variable);
    if (destination == nullptr) return 0;
    to = HeaderOf(destination);
    to->dimensionCount = from->dimensionCount;
  }
  if (!TakeShape(from, to)) return 0;
  if (from->structureMap == nullptr) {
    std::memcpy(destination, source,
                static_cast<std::size_t>(from->elementCount * from->elementSize));
  } else {
    for (std::int64_t i = 0; i < from->elementCount; ++i) {
      CopyStructure(ElementAt(destination, from->elementSize, i), from->elementSize,
                    from->structureMap, ElementAt(source, from->elementSize, i));
    }
  }
  return 1;
}

// A copy that cannot have its scratch array ends as one whose every block is
// refused: a re-creation leaves the destination variable null; otherwise each
// element takes the source's plain bytes, all read before anything is released,
// and its managed fields are left null.
void FailCopy(void* source, void* destination, std::int32_t recreate) {
  if (recreate != 0) {
    ReleaseArrayBlock(destination);
    return;
  }
  const ArrayHeader* from = HeaderOf(source);
  if (!TakeShape(from, HeaderOf(destination))) return;
  // A source in the destination's elements goes with the first of them cleared:
  // its header is read no more after that.
  const std::int64_t count = from->elementCount;
  const std::int64_t size = from->elementSize;
  StructureMap map = from->structureMap;
  for (std::int64_t i = 0; i < count; ++i) {
    CopyPlainBytes(ElementAt(destination, size, i), size, map, ElementAt(source, size, i));
  }
  for (std::int64_t i = 0; i < count; ++i) {
    ClearStructure(ElementAt(destination, size, i), map);
  }
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

std::int64_t CopyArrayBlock(void* source, void* destination, std::int32_t recreate) {
  if (source == nullptr || destination == nullptr) return 0;
  const ArrayHeader* from = HeaderOf(source);
  if (from->dimensionCount != HeaderOf(destination)->dimensionCount) return 0;
  // A block copied onto itself is already equal to its source; re-creating it
  // would free the source before it is read.
  if (source == destination) return 1;
  if (!ArrayHolds(destination, source) && !ArrayHolds(source, destination))
    return CopyElements(source, destination, recreate);

  // A source in the destination's elements would be freed with them, and a
  // destination in the source's would change the source while it is read: the
  // source's value is taken apart from both first, into an array of its own
  // whose variable has room for the per-dimension words.
  const std::int64_t words = from->dimensionCount >= 2 ? from->dimensionCount : 0;
  auto* kept = static_cast<ArrayVariable*>(AllocateBlock(
      ProgramHeap, static_cast<std::size_t>(1 + words) * sizeof(ArrayVariable), true));
  if (kept == nullptr || CreateArrayBlock(from->elementSize, from->elementCount, from->typeCode,
                                          from->structureMap, kept) == nullptr) {
    FreeBlock(ProgramHeap, kept);
    FailCopy(source, destination, recreate);
    return 0;
  }
  HeaderOf(*kept)->dimensionCount = from->dimensionCount;
  CopyElements(source, *kept, 0);
  const std::int64_t copied = CopyElements(*kept, destination, recreate);
  ReleaseArrayBlock(*kept);
  FreeBlock(ProgramHeap, kept);
  return copied;
}

void ReleaseArrayBlock(void* elements) {
  if (elements == nullptr) return;
  ArrayHeader* header = HeaderOf(elements);
  // Every element of a block with a map is visited, also when construction was
  // skipped: a string array frees the text of each element here.
  if (header->structureMap != nullptr) {
    for (std::int64_t i = 0; i < header->elementCount; ++i) {
      DestroyStructure(ElementAt(elements, header->elementSize, i), header->structureMap);
    }
  }
  *header->variable = nullptr;
  FreeBlock(ProgramHeap, header);
}
