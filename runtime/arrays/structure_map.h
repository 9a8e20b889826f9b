// The StructureMap format: a static table of 64-bit words naming the managed
// fields of one structure type, entry by entry, up to the word -1. A non-negative
// first word is a whole entry: a StringVariable at that byte offset.
#pragma once

#include <cstdint>

using MapWord = std::int64_t;
// A StructureMap is read through its first word; null stands for "no map".
using StructureMap = const MapWord*;

// First words of the entries. The operand words that follow each, in order:
//   RepeatedStructure   count, offset, stride, sub-map
//   EmbeddedStructure   offset, size, sub-map
//   ArrayField          offset, element size, element count, type code, element map
//   ListField           offset, list parameters 1, 2, 3
//   MapField            offset, map-object parameters 1, 2, 3, 4
//   MultiDimArrayField  offset, n, element size, type code, element map, sizes 1 ... n
inline constexpr MapWord EndOfMap = -1;
inline constexpr MapWord RepeatedStructure = -2;
inline constexpr MapWord EmbeddedStructure = -3;
inline constexpr MapWord ArrayField = -4;
inline constexpr MapWord ListField = -5;
inline constexpr MapWord MapField = -6;
inline constexpr MapWord MultiDimArrayField = -7;

// Bytes a list field covers in its structure; its first 8 hold the list object.
inline constexpr std::int64_t ListFieldBytes = 16;

// The map of an element that is one StringVariable, and the type code such
// elements carry.
inline constexpr MapWord StringElementMap[] = {0, EndOfMap};
inline constexpr std::int32_t StringElementTypeCode = 8;

// The map word that refers to `map`, for sub-maps and element maps.
inline MapWord MapWordOf(StructureMap map) {
  return static_cast<MapWord>(reinterpret_cast<std::intptr_t>(map));
}

// The map a sub-map or element-map word refers to.
inline StructureMap MapAt(MapWord word) {
  return reinterpret_cast<StructureMap>(static_cast<std::intptr_t>(word));
}

// The low 32 bits of a word that holds a 32-bit quantity (type codes, list
// parameter 3, map-object parameters 2 and 4).
inline std::int32_t Low32(MapWord word) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(word)));
}

// Whether `word` opens an entry that a walker knows; words below -7 are not part
// of the format and end the walk like EndOfMap.
inline bool IsEntry(MapWord word) {
  return word >= MultiDimArrayField && word != EndOfMap;
}

// The operands of each entry kind but StringField and EndOfMap, as they stand
// in the words after the first.
struct RepeatedStructureEntry {
  std::int64_t count;
  std::int64_t offset;
  std::int64_t stride;
  StructureMap subMap;
};
struct EmbeddedStructureEntry {
  std::int64_t offset;
  std::int64_t size;
  StructureMap subMap;
};
struct ArrayFieldEntry {
  std::int64_t offset;
  std::int64_t elementSize;
  std::int64_t elementCount;
  std::int32_t typeCode;
  StructureMap elementMap;
};
struct ListFieldEntry {
  std::int64_t offset;
  std::int64_t parameter1;
  std::int64_t parameter2;
  std::int32_t parameter3;
};
struct MapFieldEntry {
  std::int64_t offset;
  std::int64_t parameter1;
  std::int32_t parameter2;
  std::int64_t parameter3;
  std::int32_t parameter4;
};
struct MultiDimArrayFieldEntry {
  std::int64_t offset;
  std::int64_t n;
  std::int64_t elementSize;
  std::int32_t typeCode;
  StructureMap elementMap;
  const MapWord* sizes;  // n words
};

inline RepeatedStructureEntry RepeatedStructureAt(const MapWord* e) {
  return {e[1], e[2], e[3], MapAt(e[4])};
}
inline EmbeddedStructureEntry EmbeddedStructureAt(const MapWord* e) {
  return {e[1], e[2], MapAt(e[3])};
}
inline ArrayFieldEntry ArrayFieldAt(const MapWord* e) {
  return {e[1], e[2], e[3], Low32(e[4]), MapAt(e[5])};
}
inline ListFieldEntry ListFieldAt(const MapWord* e) {
  return {e[1], e[2], e[3], Low32(e[4])};
}
inline MapFieldEntry MapFieldAt(const MapWord* e) {
  return {e[1], e[2], Low32(e[3]), e[4], Low32(e[5])};
}
inline MultiDimArrayFieldEntry MultiDimArrayFieldAt(const MapWord* e) {
  return {e[1], e[2], e[3], Low32(e[4]), MapAt(e[5]), e + 6};
}

// Number of words of the entry that begins at `entry` (which IsEntry accepts).
inline std::int64_t EntryWords(const MapWord* entry) {
  switch (entry[0]) {
    case RepeatedStructure:
      return 5;
    case EmbeddedStructure:
      return 4;
    case ArrayField:
      return 6;
    case ListField:
      return 5;
    case MapField:
      return 6;
    case MultiDimArrayField:
      return 6 + (entry[2] > 0 ? entry[2] : 0);
    default:
      return 1;  // StringField
  }
}

// Whether the entry is an array variable, of one dimension or more.
inline bool IsArrayEntry(const MapWord* entry) {
  return *entry == ArrayField || *entry == MultiDimArrayField;
}

// The offset of the field of an entry that is neither a nested structure nor
// EndOfMap, and the bytes it covers: the copy walker copies none of them as
// plain bytes.
inline std::int64_t FieldOffset(const MapWord* entry) {
  return *entry >= 0 ? *entry : entry[1];
}
inline std::int64_t FieldBytes(const MapWord* entry) {
  switch (*entry) {
    case ListField:
      return ListFieldBytes;
    case MultiDimArrayField:
      return 8 + 8 * (entry[2] > 0 ? entry[2] : 0);
    default:
      return 8;  // a text, an array variable or a map object
  }
}

// Calls `visit(offset, entry)` for every field of the structure that owns memory
// elsewhere (a StringField, ArrayField, MultiDimArrayField, ListField or MapField
// entry), in the order in which they stand, entering embedded and repeated
// structures; `offset` counts from `base`, the offset of the structure itself.
// Stops and returns true as soon as `visit` returns true.
template <typename Visit>
bool ForEachField(StructureMap map, std::int64_t base, Visit&& visit) {
  for (const MapWord* entry = map; IsEntry(*entry); entry += EntryWords(entry)) {
    if (*entry == RepeatedStructure) {
      const auto e = RepeatedStructureAt(entry);
      for (std::int64_t k = 0; k < e.count; ++k) {
        if (ForEachField(e.subMap, base + e.offset + k * e.stride, visit)) return true;
      }
    } else if (*entry == EmbeddedStructure) {
      const auto e = EmbeddedStructureAt(entry);
      if (ForEachField(e.subMap, base + e.offset, visit)) return true;
    } else if (visit(base + FieldOffset(entry), entry)) {
      return true;
    }
  }
  return false;
}
