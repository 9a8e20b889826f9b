// Storage of the ProgramHeap handle; null when the process is loaded.
#include "runtime/program_heap.h"

PrivateHeap* ProgramHeap;
