// Construction of a freshly zeroed structure: its nested arrays, lists and maps
// are created in place; its strings are already valid as null.
#include <algorithm>

#include "runtime/arrays/array_operations.h"
#include "runtime/arrays/structure_walkers.h"

void ConstructStructure(void* structure, StructureMap map) {
  char* p = static_cast<char*>(structure);
  for (const MapWord* entry = map; IsEntry(*entry); entry += EntryWords(entry)) {
    switch (*entry) {
      case RepeatedStructure: {
        const auto e = RepeatedStructureAt(entry);
        for (std::int64_t k = 0; k < e.count; ++k) {
          ConstructStructure(p + e.offset + k * e.stride, e.subMap);
        }
        break;
      }
      case EmbeddedStructure: {
        const auto e = EmbeddedStructureAt(entry);
        ConstructStructure(p + e.offset, e.subMap);
        break;
      }
      case ArrayField: {
        const auto e = ArrayFieldAt(entry);
        ArrayOperations.CreateArrayBlock(e.elementSize, e.elementCount, e.typeCode, e.elementMap,
                                         reinterpret_cast<ArrayVariable*>(p + e.offset));
        break;
      }
      case ListField: {
        const auto e = ListFieldAt(entry);
        if (ArrayOperations.CreateList == nullptr) break;  // no lists: the field stays null
        ArrayOperations.CreateList(e.parameter1, p + e.offset, e.parameter2, e.parameter3);
        break;
      }
      case MapField: {
        const auto e = MapFieldAt(entry);
        if (ArrayOperations.CreateMap == nullptr) break;  // no maps: the field stays null
        ArrayOperations.CreateMap(e.parameter1, e.parameter2, e.parameter3, p + e.offset,
                                  e.parameter4);
        break;
      }
      case MultiDimArrayField: {
        const auto e = MultiDimArrayFieldAt(entry);
        auto* variable = reinterpret_cast<ArrayVariable*>(p + e.offset);
        if (e.n > 0) std::copy_n(e.sizes, e.n, DimensionWordsOf(variable));
        ArrayOperations.CreateArrayBlockDims(e.n, e.elementSize, e.typeCode, e.elementMap,
                                             variable);
        break;
      }
      default:
        break;  // a StringField
    }
  }
}
