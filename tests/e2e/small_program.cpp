// The program with small sizes, for end-to-end tests: 30,001 passes of a
// 1,000-character text instead of 1,000,001 of 1,000,000, so that it runs in
// moments natively and under Wine. Everything else is the shipped program.
#include "program/benchmark_run.h"
#include "program/program_main.h"

int main() {
  ProgramMainSized({30'000, 1'000, 10'000});
}
