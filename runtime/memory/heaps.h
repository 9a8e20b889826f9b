// The process's two private heaps. The ProgramHeap holds the runtime's array
// blocks, object tables and the console's pending input; the program creates it
// at start-up, before anything is kept on it, and destroys it whole at shutdown.
// The StringHeap holds every text: InitStringWorkspace creates it and
// FreeStringWorkspace destroys it. The runtime only allocates from them and
// frees into them.
#pragma once

#include "runtime/memory/private_heap.h"

extern PrivateHeap* ProgramHeap;
// The workspace buffer and all StringVariables.
extern PrivateHeap* StringHeap;
