// Destruction of a structure whose memory is freed next: texts are freed and
// nested arrays, lists and maps released; no field needs clearing.
#include "runtime/arrays/array_operations.h"
#include "runtime/arrays/string_field.h"
#include "runtime/arrays/structure_walkers.h"

namespace {

void* WordAt(char* p, std::int64_t offset) {
  return *reinterpret_cast<void**>(p + offset);
}

}  // namespace

void DestroyStructure(void* structure, StructureMap map) {
  char* p = static_cast<char*>(structure);
  for (const MapWord* entry = map; IsEntry(*entry); entry += EntryWords(entry)) {
    switch (*entry) {
      case RepeatedStructure: {
        const auto e = RepeatedStructureAt(entry);
        for (std::int64_t k = 0; k < e.count; ++k) {
          DestroyStructure(p + e.offset + k * e.stride, e.subMap);
        }
        break;
      }
      case EmbeddedStructure: {
        const auto e = EmbeddedStructureAt(entry);
        DestroyStructure(p + e.offset, e.subMap);
        break;
      }
      case ArrayField:
        ArrayOperations.ReleaseArrayBlock(WordAt(p, ArrayFieldAt(entry).offset));
        break;
      case MultiDimArrayField:
        ArrayOperations.ReleaseArrayBlock(WordAt(p, MultiDimArrayFieldAt(entry).offset));
        break;
      case ListField:
        if (ArrayOperations.ReleaseList != nullptr) {
          ArrayOperations.ReleaseList(WordAt(p, ListFieldAt(entry).offset));
        }
        break;
      case MapField:
        if (ArrayOperations.ReleaseMap != nullptr) {
          ArrayOperations.ReleaseMap(WordAt(p, MapFieldAt(entry).offset));
        }
        break;
      default:
        FreeString(static_cast<char16_t*>(WordAt(p, *entry)));  // a StringField
        break;
    }
  }
}
