// Releasing an array block: its elements' managed fields first, then the
// variable that held it, then the block itself.
#include "runtime/arrays/array_block.h"
#include "runtime/arrays/structure_walkers.h"
#include "runtime/memory/heaps.h"
#include "runtime/memory/private_heap.h"

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
