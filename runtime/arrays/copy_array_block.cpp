// Copying one array onto another: plain elements in one memcpy, elements with
// managed fields one by one through CopyStructure.
#include <algorithm>
#include <cstring>

#include "runtime/arrays/array_block.h"
#include "runtime/arrays/structure_walkers.h"

std::int64_t CopyArrayBlock(void* source, void* destination, std::int32_t recreate) {
  if (source == nullptr || destination == nullptr) return 0;
  const ArrayHeader* from = HeaderOf(source);
  ArrayHeader* to = HeaderOf(destination);
  if (from->dimensionCount != to->dimensionCount) return 0;
  // A block copied onto itself is already equal to its source; re-creating it
  // would free the source before it is read.
  if (source == destination) return 1;

  if (recreate != 0) {
    destination = CreateArrayBlock(from->elementSize, from->elementCount, from->typeCode,
                                   from->structureMap, to->variable);
    if (destination == nullptr) return 0;
    to = HeaderOf(destination);
    to->dimensionCount = from->dimensionCount;
  }
  if (from->elementCount != to->elementCount) return 0;
  // Elements are copied in the source's size and by its map: a destination of
  // another type would be overrun or misread.
  if (from->elementSize != to->elementSize || from->structureMap != to->structureMap) return 0;

  // Only the totals had to agree: the destination takes over the source's shape.
  if (from->dimensionCount >= 2) {
    std::copy_n(DimensionWordsOf(from->variable), from->dimensionCount,
                DimensionWordsOf(to->variable));
  }

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
