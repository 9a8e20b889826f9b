// Copying one array onto another: plain elements in one memcpy, elements with
// managed fields one by one through CopyStructure.
#include <algorithm>
#include <cstring>

#include "runtime/arrays/array_block.h"
#include "runtime/arrays/structure_walkers.h"
#include "runtime/memory/private_heap.h"
#include "runtime/program_heap.h"

namespace {

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
  for (std::int64_t i = 0; i < from->elementCount; ++i) {
    CopyPlainBytes(ElementAt(destination, from->elementSize, i), from->elementSize,
                   from->structureMap, ElementAt(source, from->elementSize, i));
  }
  for (std::int64_t i = 0; i < from->elementCount; ++i) {
    ClearStructure(ElementAt(destination, from->elementSize, i), from->structureMap);
  }
}

// The copy for a source that the destination's release leaves in place.
std::int64_t CopyApart(void* source, void* destination, std::int32_t recreate) {
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

}  // namespace

std::int64_t CopyArrayBlock(void* source, void* destination, std::int32_t recreate) {
  if (source == nullptr || destination == nullptr) return 0;
  const ArrayHeader* from = HeaderOf(source);
  if (from->dimensionCount != HeaderOf(destination)->dimensionCount) return 0;
  // A block copied onto itself is already equal to its source; re-creating it
  // would free the source before it is read.
  if (source == destination) return 1;
  if (!ArrayHolds(destination, source) && !ArrayHolds(source, destination))
    return CopyApart(source, destination, recreate);

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
  CopyApart(source, *kept, 0);
  const std::int64_t copied = CopyApart(*kept, destination, recreate);
  ReleaseArrayBlock(*kept);
  FreeBlock(ProgramHeap, kept);
  return copied;
}
