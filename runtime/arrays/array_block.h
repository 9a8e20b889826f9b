// Array blocks: one ProgramHeap block holding the ArrayHeader and the elements.
// The operations take the address of the array variable, store into it
// themselves, and release whatever array it held before.
#pragma once

#include <cstdint>

#include "runtime/arrays/array_header.h"
#include "runtime/arrays/structure_map.h"

// Makes a one-dimensional array of `elementCount` zeroed elements in `variable`,
// after releasing the array it held, and constructs the elements when `map`
// needs it. Returns element 0, or null (variable null) when the count is below 1
// or the block cannot be had.
void* CreateArrayBlock(std::int64_t elementSize, std::int64_t elementCount, std::int32_t typeCode,
                       StructureMap map, ArrayVariable* variable);

// Makes an n-dimensional array from the n sizes that follow `variable` and turns
// those words into multipliers. A size below 1 gives null and changes nothing;
// a block that cannot be had gives null with the variable null.
void* CreateArrayBlockDims(std::int64_t n, std::int64_t elementSize, std::int32_t typeCode,
                           StructureMap map, ArrayVariable* variable);

// Copies the elements of `source` onto `destination`, deep-copying managed
// fields; with `recreate` the destination is first re-created in the source's
// type. Returns 1 when copied, 0 when not (null array, or the dimension count,
// element count, element size or StructureMap differs), in which case the
// destination is unchanged unless `recreate` was set. Either array may lie in
// the other's elements: the destination gets the source's value as it was, by
// way of a scratch array. Without a block for it the result is 0 and the
// destination ends as when every block is refused: with `recreate` its variable
// is null, otherwise each element has the source's plain bytes and null fields.
std::int64_t CopyArrayBlock(void* source, void* destination, std::int32_t recreate);

// Destroys the managed fields of every element, clears the variable and frees
// the block. Null does nothing.
void ReleaseArrayBlock(void* elements);
