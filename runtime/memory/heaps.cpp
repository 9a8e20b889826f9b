// Storage of the two private heaps' handles; null when the process is loaded.
#include "runtime/memory/heaps.h"

PrivateHeap* ProgramHeap;
PrivateHeap* StringHeap;
