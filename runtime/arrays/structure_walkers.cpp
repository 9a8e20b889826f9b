// The structure walkers but the copy: whether a map needs construction, the
// construction and destruction of a structure, whether it holds an address; and
// the two string operations they share with the copy. Each goes over the fields
// through ForEachField and reaches nested arrays, lists and maps only through
// the ArrayOperations slots.
#include "runtime/arrays/structure_walkers.h"

#include <algorithm>

#include "runtime/arrays/array_header.h"
#include "runtime/arrays/array_operations.h"
#include "runtime/memory/heaps.h"
#include "runtime/strings/text.h"
#include "runtime/strings/workspace.h"

namespace {

void* ValueAt(void* structure, std::int64_t offset) {
  return *reinterpret_cast<void**>(static_cast<char*>(structure) + offset);
}

}  // namespace

// A map walk rather than a structure walk: the count of a RepeatedStructure is
// not looked at.
std::int64_t MapNeedsConstruction(StructureMap map) {
  if (map == nullptr) return 0;
  for (const MapWord* entry = map; IsEntry(*entry); entry += EntryWords(entry)) {
    switch (*entry) {
      case ArrayField:
      case ListField:
      case MapField:
      case MultiDimArrayField:
        return 1;
      case RepeatedStructure:
        if (MapNeedsConstruction(RepeatedStructureAt(entry).subMap) != 0) return 1;
        break;
      case EmbeddedStructure:
        if (MapNeedsConstruction(EmbeddedStructureAt(entry).subMap) != 0) return 1;
        break;
      default:
        break;  // a StringField: a null StringVariable is the empty text
    }
  }
  return 0;
}

// The structure's bytes are zero: its strings are already valid as null.
void ConstructStructure(void* structure, StructureMap map) {
  const ArrayOperationTable& ops = ArrayOperations;
  ForEachField(map, 0, [&](std::int64_t offset, const MapWord* entry) {
    void* field = static_cast<char*>(structure) + offset;
    if (*entry == ArrayField) {
      const auto e = ArrayFieldAt(entry);
      ops.CreateArrayBlock(e.elementSize, e.elementCount, e.typeCode, e.elementMap,
                           static_cast<ArrayVariable*>(field));
    } else if (*entry == MultiDimArrayField) {
      const auto e = MultiDimArrayFieldAt(entry);
      auto* variable = static_cast<ArrayVariable*>(field);
      if (e.n > 0) std::copy_n(e.sizes, e.n, DimensionWordsOf(variable));
      ops.CreateArrayBlockDims(e.n, e.elementSize, e.typeCode, e.elementMap, variable);
    } else if (*entry == ListField && ops.CreateList != nullptr) {  // no lists: it stays null
      const auto e = ListFieldAt(entry);
      ops.CreateList(e.parameter1, field, e.parameter2, e.parameter3);
    } else if (*entry == MapField && ops.CreateMap != nullptr) {  // no maps: it stays null
      const auto e = MapFieldAt(entry);
      ops.CreateMap(e.parameter1, e.parameter2, e.parameter3, field, e.parameter4);
    }
    return false;
  });
}

// The memory is freed next: no field needs clearing.
void DestroyStructure(void* structure, StructureMap map) {
  const ArrayOperationTable& ops = ArrayOperations;
  ForEachField(map, 0, [&](std::int64_t offset, const MapWord* entry) {
    void* value = ValueAt(structure, offset);
    if (IsArrayEntry(entry)) {
      ops.ReleaseArrayBlock(value);
    } else if (*entry == ListField) {
      if (ops.ReleaseList != nullptr) ops.ReleaseList(value);
    } else if (*entry == MapField) {
      if (ops.ReleaseMap != nullptr) ops.ReleaseMap(value);
    } else {
      FreeString(static_cast<char16_t*>(value));
    }
    return false;
  });
}

// The copies ask these before they release anything. A text holds no
// structure, and list and map objects are opaque.
bool StructureHolds(void* structure, StructureMap map, const void* address) {
  return ForEachField(map, 0, [&](std::int64_t offset, const MapWord* entry) {
    return IsArrayEntry(entry) && ArrayHolds(ValueAt(structure, offset), address);
  });
}

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

void FreeString(char16_t* text) {
  if (text != nullptr) FreeBlock(StringHeap, text);
}

// Always a block of its own, never shared with the text it was copied from.
void CopyStringToField(StringVariable* field, const char16_t* text) {
  if (text == nullptr) return;
  const std::size_t length = FindTerminator(text);
  auto* block = static_cast<char16_t*>(AllocateBlock(StringHeap, StringBlockBytes(length), false));
  *field = block;
  if (block != nullptr) CopyText(block, text, length);
}
