// Deep copy of one structure onto another of the same type. The managed fields
// are re-made in the destination, never copied as bytes, so the destination's
// texts, arrays, lists and maps stay its own; the plain bytes between and after
// them are copied in one memcpy per gap.
#include <cstring>

#include "runtime/arrays/array_header.h"
#include "runtime/arrays/array_operations.h"
#include "runtime/arrays/structure_walkers.h"
#include "runtime/memory/heaps.h"

namespace {

void** FieldAt(char* p, std::int64_t offset) {
  return reinterpret_cast<void**>(p + offset);
}

// Whether the slots that a copy of the field needs are filled. Without all three
// of its list or map slots a list or map field is left as it is.
bool CanCopy(const MapWord* entry) {
  const ArrayOperationTable& ops = ArrayOperations;
  if (*entry == ListField) return ops.CreateList && ops.CopyList && ops.ReleaseList;
  if (*entry == MapField) return ops.CreateMap && ops.CopyMap && ops.ReleaseMap;
  return true;
}

// Releases what `field` holds and leaves it null: a list or map field too, which
// its release slot need not clear, so that a null source leaves no stale object.
void ClearField(void** field, const MapWord* entry) {
  if (*field == nullptr) return;
  if (IsArrayEntry(entry)) {
    ArrayOperations.ReleaseArrayBlock(*field);
  } else if (*entry == ListField) {
    ArrayOperations.ReleaseList(*field);
  } else if (*entry == MapField) {
    ArrayOperations.ReleaseMap(*field);
  } else {
    FreeString(static_cast<char16_t*>(*field));
  }
  *field = nullptr;
}

// Gives the null `field` a value of its own equal to `source`, the source's
// value of the field (not null); when a block cannot be had it stays null.
void BuildField(void** field, const MapWord* entry, void* source) {
  const ArrayOperationTable& ops = ArrayOperations;
  if (IsArrayEntry(entry)) {
    // The source array's header gives the shape; the entry's operands are not used.
    const ArrayHeader* from = HeaderOf(source);
    void* created =
        ops.CreateArrayBlock(from->elementSize, from->elementCount, from->typeCode,
                             from->structureMap, reinterpret_cast<ArrayVariable*>(field));
    // CopyArrayBlock accepts only equal dimension counts, and then takes the
    // per-dimension words along.
    if (*entry == MultiDimArrayField && created != nullptr)
      HeaderOf(created)->dimensionCount = from->dimensionCount;
    ops.CopyArrayBlock(source, created, 0);
  } else if (*entry == ListField) {
    const auto* kept = static_cast<const ListObjectParameters*>(source);
    ops.CreateList(kept->parameter1, field, kept->parameter2, kept->parameter3);
    if (*field != nullptr) ops.CopyList(source, *field, 0);
  } else if (*entry == MapField) {
    const auto* kept = static_cast<const MapObjectParameters*>(source);
    ops.CreateMap(kept->parameter1, kept->parameter2, kept->parameter3, field, kept->parameter4);
    if (*field != nullptr) ops.CopyMap(source, *field, 0);
  } else {
    CopyStringToField(reinterpret_cast<StringVariable*>(field),
                      static_cast<const char16_t*>(source));
  }
}

void CopyBytes(char* d, char* s, std::int64_t from, std::int64_t to) {
  if (from < to) std::memcpy(d + from, s + from, static_cast<std::size_t>(to - from));
}

// Copies the plain bytes from `s` to `d` in one memcpy per gap, calling
// `field(offset, entry)` for each managed field before the gap in front of it.
template <typename Field>
void CopyGapsAround(char* d, std::int64_t size, StructureMap map, char* s, Field&& field) {
  std::int64_t position = 0;
  if (map != nullptr) {
    ForEachField(map, 0, [&](std::int64_t offset, const MapWord* entry) {
      field(offset, entry);
      CopyBytes(d, s, position, offset);
      position = offset + FieldBytes(entry);
      return false;
    });
  }
  CopyBytes(d, s, position, size);
}

// The copy for a source that the destination's releases leave in place.
void CopyFieldByField(char* d, std::int64_t size, StructureMap map, char* s) {
  CopyGapsAround(d, size, map, s, [&](std::int64_t offset, const MapWord* entry) {
    if (!CanCopy(entry)) return;
    void** field = FieldAt(d, offset);
    ClearField(field, entry);
    if (void* from = *FieldAt(s, offset)) BuildField(field, entry, from);
  });
}

}  // namespace

void CopyPlainBytes(void* destination, std::int64_t size, StructureMap map, void* source) {
  CopyGapsAround(static_cast<char*>(destination), size, map, static_cast<char*>(source),
                 [](std::int64_t, const MapWord*) {});
}

void ClearStructure(void* structure, StructureMap map) {
  ForEachField(map, 0, [&](std::int64_t offset, const MapWord* entry) {
    if (CanCopy(entry)) ClearField(FieldAt(static_cast<char*>(structure), offset), entry);
    return false;
  });
}

void CopyStructure(void* destination, std::int64_t size, StructureMap map, void* source) {
  if (destination == source) return;
  char* d = static_cast<char*>(destination);
  char* s = static_cast<char*>(source);
  if (map == nullptr || (!StructureHolds(d, map, s) && !StructureHolds(s, map, d))) {
    CopyFieldByField(d, size, map, s);
    return;
  }
  // A source in an array of the destination would be freed with that array
  // before its later fields are read, and a destination in the source would
  // change the source while it is read: the source's value is taken apart from
  // both first, in a zeroed structure (a valid one: its fields are null).
  auto* kept = static_cast<char*>(AllocateBlock(ProgramHeap, static_cast<std::size_t>(size), true));
  if (kept == nullptr) {
    // As a copy whose every block is refused: the plain bytes are read while
    // the source is still there, then the fields go.
    CopyPlainBytes(d, size, map, s);
    ClearStructure(d, map);
    return;
  }
  CopyFieldByField(kept, size, map, s);
  CopyFieldByField(d, size, map, kept);
  DestroyStructure(kept, map);
  FreeBlock(ProgramHeap, kept);
}
