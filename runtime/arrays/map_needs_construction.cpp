// Whether a structure needs a construction pass: strings and plain data are
// complete when zeroed, arrays, lists and maps have to be created.
#include "runtime/arrays/structure_walkers.h"

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
