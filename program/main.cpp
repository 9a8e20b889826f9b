// The process starts here and hands over to the program frame at once.
#include "program/program_main.h"

int main() {
  ProgramMain();
}
