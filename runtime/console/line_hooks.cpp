// Storage of the line hooks, filled in when the program is loaded.
#include "runtime/console/line_hooks.h"

#include "runtime/console/print_line.h"
#include "runtime/console/read_line.h"

OutputLineFunction OutputLineHook = PrintLine;
InputLineFunction InputLineHook = ReadLine;
