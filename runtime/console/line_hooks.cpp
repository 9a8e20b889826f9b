// Storage of the line hooks, filled in when the program is loaded, and the one
// way a finished workspace text goes out through them.
#include "runtime/console/line_hooks.h"

#include "runtime/console/print_line.h"
#include "runtime/console/read_line.h"
#include "runtime/strings/workspace.h"

OutputLineFunction OutputLineHook = PrintLine;
InputLineFunction InputLineHook = WaitForLine;

std::int64_t PrintWorkspaceLine(std::int32_t position) {
  const std::int64_t printed = OutputLineHook(WorkspaceTextAt(position));
  StringWorkspace.position = position;
  return printed;
}
