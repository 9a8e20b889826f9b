// The walkers that interpret a StructureMap on one structure: whether it needs
// construction, and its construction, deep copy and destruction; and the two
// string operations of the walkers. They reach nested arrays, lists and maps
// only through the ArrayOperations slots.
#pragma once

#include <cstdint>

#include "runtime/arrays/structure_map.h"
#include "runtime/strings/string_variable.h"

// 1 when a zeroed structure of this map still has fields to create (an array,
// list or map at any depth); 0 otherwise and for a null map.
std::int64_t MapNeedsConstruction(StructureMap map);

// Creates the nested arrays, lists and maps of the zeroed structure at `structure`.
void ConstructStructure(void* structure, StructureMap map);

// Deep copy of the `size` bytes at `source` onto `destination`, a constructed
// structure of the same type: the plain bytes are copied, every managed field
// of the destination is released and re-made from the source's. A null map
// copies all bytes as plain data. When one of the two lies in an array that the
// other holds, the source is first copied apart, so that the destination gets
// the source's value as it was. When a block cannot be had, the field it was for
// is left null; when that first copy cannot get its block, every managed field
// of the destination is, and only the plain bytes are copied.
void CopyStructure(void* destination, std::int64_t size, StructureMap map, void* source);

// The two halves of a copy that has no blocks at all: the bytes outside the
// managed fields, copied from `source`; and the managed fields of `structure`,
// released and left null (but list and map fields without all their slots).
void CopyPlainBytes(void* destination, std::int64_t size, StructureMap map, void* source);
void ClearStructure(void* structure, StructureMap map);

// Whether `address` lies in an array block that the structure at `structure`
// holds, at any depth: in a block that its destruction would free.
bool StructureHolds(void* structure, StructureMap map, const void* address);
// As StructureHolds, for the array at `elements` (or null) and its own block.
bool ArrayHolds(void* elements, const void* address);

// Frees the texts and releases the nested arrays, lists and maps of the
// structure at `structure`, whose memory is freed next.
void DestroyStructure(void* structure, StructureMap map);

// Frees `text` into the StringHeap; null does nothing.
void FreeString(char16_t* text);

// Stores a fresh StringHeap block of 2n + 10 bytes holding a copy of `text`
// into `field`, never reusing a block. A null text does nothing; when the block
// cannot be had, the field is left null.
void CopyStringToField(StringVariable* field, const char16_t* text);
