// The process starts here: the platform takes what the C runtime was given, and
// the program frame takes over at once.
#include "program/program_main.h"
#include "runtime/platform/platform.h"

int main(int argc, char** argv) {
  platform::StartProcess(argc, argv);
  ProgramMain();
}
