// Whether a structure or an array holds a given address in one of the array
// blocks it owns, at any depth: the blocks whose release would free whatever
// lies at that address. The copies ask it before they release anything.
#include "runtime/arrays/array_header.h"
#include "runtime/arrays/structure_walkers.h"

bool ArrayHolds(void* elements, const void* address) {
  if (elements == nullptr) return false;
  const ArrayHeader* header = HeaderOf(elements);
  const auto* start = reinterpret_cast<const char*>(header);
  const char* end = static_cast<const char*>(elements) + header->elementCount * header->elementSize;
  const auto* at = static_cast<const char*>(address);
  // Element 0 lies in its block even when the elements have no bytes.
  if (at >= start && (at < end || at == elements)) return true;
  // Only elements with arrays, lists or maps can hold more blocks.
  if (MapNeedsConstruction(header->structureMap) == 0) return false;
  for (std::int64_t i = 0; i < header->elementCount; ++i) {
    if (StructureHolds(ElementAt(elements, header->elementSize, i), header->structureMap, address))
      return true;
  }
  return false;
}

bool StructureHolds(void* structure, StructureMap map, const void* address) {
  char* p = static_cast<char*>(structure);
  for (const MapWord* entry = map; IsEntry(*entry); entry += EntryWords(entry)) {
    switch (*entry) {
      case RepeatedStructure: {
        const auto e = RepeatedStructureAt(entry);
        for (std::int64_t k = 0; k < e.count; ++k) {
          if (StructureHolds(p + e.offset + k * e.stride, e.subMap, address)) return true;
        }
        break;
      }
      case EmbeddedStructure: {
        const auto e = EmbeddedStructureAt(entry);
        if (StructureHolds(p + e.offset, e.subMap, address)) return true;
        break;
      }
      case ArrayField:
      case MultiDimArrayField: {
        const std::int64_t offset =
            *entry == ArrayField ? ArrayFieldAt(entry).offset : MultiDimArrayFieldAt(entry).offset;
        if (ArrayHolds(*reinterpret_cast<void**>(p + offset), address)) return true;
        break;
      }
      default:  // a text holds no structure; list and map objects are opaque
        break;
    }
  }
  return false;
}
