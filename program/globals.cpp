// Storage of the program globals; zero when the process is loaded.
#include "program/globals.h"

ProgramGlobalBlock ProgramGlobals;
