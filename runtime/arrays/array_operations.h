// The ArrayOperations table: the ten slots through which the structure walkers
// create, copy and release the arrays, lists and maps nested in a structure.
// Only the four array slots are filled; lists and maps do not exist here.
#pragma once

#include <cstdint>

#include "runtime/arrays/array_header.h"
#include "runtime/arrays/structure_map.h"

struct ArrayOperationTable {
  void* (*CreateArrayBlockDims)(std::int64_t n, std::int64_t elementSize, std::int32_t typeCode,
                                StructureMap elementMap, ArrayVariable* variable);
  void* (*CreateArrayBlock)(std::int64_t elementSize, std::int64_t elementCount,
                            std::int32_t typeCode, StructureMap elementMap,
                            ArrayVariable* variable);
  // Stores the new list object into the first 8 bytes of `field`.
  void* (*CreateList)(std::int64_t parameter1, void* field, std::int64_t parameter2,
                      std::int32_t parameter3);
  // Stores the new map object into `field`.
  void* (*CreateMap)(std::int64_t parameter1, std::int32_t parameter2, std::int64_t parameter3,
                     void* field, std::int32_t parameter4);
  std::int64_t (*CopyArrayBlock)(void* source, void* destination, std::int32_t recreate);
  std::int64_t (*CopyList)(void* source, void* destination, std::int32_t recreate);
  std::int64_t (*CopyMap)(void* source, void* destination, std::int32_t recreate);
  // The release slots accept null.
  void (*ReleaseArrayBlock)(void* elements);
  void (*ReleaseList)(void* list);
  void (*ReleaseMap)(void* map);
};
static_assert(sizeof(ArrayOperationTable) == 10 * sizeof(void*), "ten function slots");

// What the structure walkers expect at the start of a list or map object: the
// parameters it was created with, so that a copy can be created equal to it.
// No list or map type exists yet; one that fills the slots keeps these.
struct ListObjectParameters {
  std::int64_t parameter1;
  std::int64_t parameter2;
  std::int32_t parameter3;
};

struct MapObjectParameters {
  std::int64_t parameter1;
  std::int32_t parameter2;
  std::int64_t parameter3;
  std::int32_t parameter4;
};

// All slots null until InstallArrayOperations runs at start-up.
extern ArrayOperationTable ArrayOperations;

// Fills the four array slots; touches no other slot.
void InstallArrayOperations();
