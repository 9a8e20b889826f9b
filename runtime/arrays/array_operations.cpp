// Storage of the ArrayOperations table and the start-up step that fills its
// array slots.
#include "runtime/arrays/array_operations.h"

#include "runtime/arrays/array_block.h"

ArrayOperationTable ArrayOperations;

void InstallArrayOperations() {
  ArrayOperations.CreateArrayBlockDims = CreateArrayBlockDims;
  ArrayOperations.CreateArrayBlock = CreateArrayBlock;
  ArrayOperations.CopyArrayBlock = CopyArrayBlock;
  ArrayOperations.ReleaseArrayBlock = ReleaseArrayBlock;
}
