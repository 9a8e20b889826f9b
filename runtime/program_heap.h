// The ProgramHeap: the private heap on which the runtime keeps its array blocks,
// object tables and the console's pending input. The program creates it
// at start-up, before anything is kept on it, and destroys it whole at shutdown;
// the runtime only allocates from it and frees into it.
#pragma once

#include "runtime/memory/private_heap.h"

extern PrivateHeap* ProgramHeap;
