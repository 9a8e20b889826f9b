// Deep copy of one structure onto another of the same type. The managed fields
// are re-made in the destination, never copied as bytes, so the destination's
// texts, arrays, lists and maps stay its own; the plain bytes between and after
// them are copied in one memcpy per gap.
#include <cstring>

#include "runtime/arrays/array_header.h"
#include "runtime/arrays/array_operations.h"
#include "runtime/arrays/container_objects.h"
#include "runtime/arrays/string_field.h"
#include "runtime/arrays/structure_walkers.h"
#include "runtime/memory/heaps.h"
#include "runtime/memory/private_heap.h"

namespace {

void** FieldAt(char* p, std::int64_t offset) {
  return reinterpret_cast<void**>(p + offset);
}

// Byte offset of the entry's field, and the bytes the field covers.
struct FieldSpan {
  std::int64_t offset;
  std::int64_t bytes;
};

FieldSpan SpanOf(const MapWord* entry) {
  switch (*entry) {
    case RepeatedStructure: {
      const auto e = RepeatedStructureAt(entry);
      return {e.offset, e.count > 0 ? e.count * e.stride : 0};
    }
    case EmbeddedStructure: {
      const auto e = EmbeddedStructureAt(entry);
      return {e.offset, e.size};
    }
    case ArrayField:
      return {ArrayFieldAt(entry).offset, 8};
    case ListField:
      return {ListFieldAt(entry).offset, ListFieldBytes};
    case MapField:
      return {MapFieldAt(entry).offset, 8};
    case MultiDimArrayField: {
      const auto e = MultiDimArrayFieldAt(entry);
      return {e.offset, 8 + 8 * (e.n > 0 ? e.n : 0)};
    }
    default:
      return {*entry, 8};  // a StringField
  }
}

void CopyStringField(char* d, char* s, std::int64_t offset) {
  auto* field = reinterpret_cast<StringVariable*>(FieldAt(d, offset));
  if (*field != nullptr) {
    FreeString(*field);
    *field = nullptr;
  }
  const auto* text = static_cast<const char16_t*>(*FieldAt(s, offset));
  if (text != nullptr) CopyStringToField(field, text);
}

// The source array's header gives the shape; the entry's operands are not used.
void CopyArrayField(char* d, char* s, std::int64_t offset, bool multiDimensional) {
  auto* field = reinterpret_cast<ArrayVariable*>(FieldAt(d, offset));
  if (*field != nullptr) ArrayOperations.ReleaseArrayBlock(*field);  // clears the field
  void* source = *FieldAt(s, offset);
  if (source == nullptr) return;
  const ArrayHeader* from = HeaderOf(source);
  void* created = ArrayOperations.CreateArrayBlock(from->elementSize, from->elementCount,
                                                   from->typeCode, from->structureMap, field);
  // CopyArrayBlock accepts only equal dimension counts, and then takes the
  // per-dimension words along.
  if (multiDimensional && created != nullptr)
    HeaderOf(created)->dimensionCount = from->dimensionCount;
  ArrayOperations.CopyArrayBlock(source, created, 0);
}

// Without all three list slots the field is left as it is. The field is cleared
// after its list is released, so that a null source leaves no stale object.
void CopyListField(char* d, char* s, std::int64_t offset) {
  const ArrayOperationTable& ops = ArrayOperations;
  if (ops.CreateList == nullptr || ops.CopyList == nullptr || ops.ReleaseList == nullptr) return;
  void** field = FieldAt(d, offset);
  if (*field != nullptr) {
    ops.ReleaseList(*field);
    *field = nullptr;
  }
  void* source = *FieldAt(s, offset);
  if (source == nullptr) return;
  const auto* kept = static_cast<const ListObjectParameters*>(source);
  ops.CreateList(kept->parameter1, field, kept->parameter2, kept->parameter3);
  if (*field != nullptr) ops.CopyList(source, *field, 0);
}

// As CopyListField, for map objects.
void CopyMapField(char* d, char* s, std::int64_t offset) {
  const ArrayOperationTable& ops = ArrayOperations;
  if (ops.CreateMap == nullptr || ops.CopyMap == nullptr || ops.ReleaseMap == nullptr) return;
  void** field = FieldAt(d, offset);
  if (*field != nullptr) {
    ops.ReleaseMap(*field);
    *field = nullptr;
  }
  void* source = *FieldAt(s, offset);
  if (source == nullptr) return;
  const auto* kept = static_cast<const MapObjectParameters*>(source);
  ops.CreateMap(kept->parameter1, kept->parameter2, kept->parameter3, field, kept->parameter4);
  if (*field != nullptr) ops.CopyMap(source, *field, 0);
}

void CopyPlainBytes(char* d, char* s, std::int64_t from, std::int64_t to) {
  if (from < to) std::memcpy(d + from, s + from, static_cast<std::size_t>(to - from));
}

// The copy field by field, for a source that the destination's releases leave
// in place.
void CopyApart(char* d, std::int64_t size, StructureMap map, char* s) {
  if (map == nullptr) {
    CopyPlainBytes(d, s, 0, size);
    return;
  }

  std::int64_t position = 0;
  for (const MapWord* entry = map; IsEntry(*entry); entry += EntryWords(entry)) {
    switch (*entry) {
      case RepeatedStructure: {
        const auto e = RepeatedStructureAt(entry);
        for (std::int64_t k = 0; k < e.count; ++k) {
          const std::int64_t at = e.offset + k * e.stride;
          CopyApart(d + at, e.stride, e.subMap, s + at);
        }
        break;
      }
      case EmbeddedStructure: {
        const auto e = EmbeddedStructureAt(entry);
        CopyApart(d + e.offset, e.size, e.subMap, s + e.offset);
        break;
      }
      case ArrayField:
        CopyArrayField(d, s, ArrayFieldAt(entry).offset, false);
        break;
      case MultiDimArrayField:
        CopyArrayField(d, s, MultiDimArrayFieldAt(entry).offset, true);
        break;
      case ListField:
        CopyListField(d, s, ListFieldAt(entry).offset);
        break;
      case MapField:
        CopyMapField(d, s, MapFieldAt(entry).offset);
        break;
      default:
        CopyStringField(d, s, *entry);
        break;
    }
    const FieldSpan span = SpanOf(entry);
    CopyPlainBytes(d, s, position, span.offset);
    position = span.offset + span.bytes;
  }
  CopyPlainBytes(d, s, position, size);
}

}  // namespace

void CopyStructure(void* destination, std::int64_t size, StructureMap map, void* source) {
  if (destination == source) return;
  char* d = static_cast<char*>(destination);
  char* s = static_cast<char*>(source);
  if (map == nullptr || (!StructureHolds(d, map, s) && !StructureHolds(s, map, d))) {
    CopyApart(d, size, map, s);
    return;
  }
  // A source in an array of the destination would be freed with that array
  // before its later fields are read, and a destination in the source would
  // change the source while it is read: the source's value is taken apart from
  // both first, in a zeroed structure (a valid one: its fields are null).
  auto* kept = static_cast<char*>(AllocateBlock(ProgramHeap, static_cast<std::size_t>(size), true));
  if (kept == nullptr) return;
  CopyApart(kept, size, map, s);
  CopyApart(d, size, map, kept);
  DestroyStructure(kept, map);
  FreeBlock(ProgramHeap, kept);
}
