// The runtime started on a fresh fake platform, as start-up leaves it before the
// run: the ProgramHeap, the StringWorkspace, the array operations, the library
// table and the console; standard input and output start redirected.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "program/globals.h"
#include "program/program_main.h"
#include "runtime/arrays/array_operations.h"
#include "runtime/console/console.h"
#include "runtime/memory/heaps.h"
#include "runtime/objects/shared_libraries.h"
#include "runtime/strings/workspace.h"
#include "tests/fake/fake_platform.h"
#include "tests/seeded.h"

class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    ResetLineInput();
    StartRuntime();
  }
  void TearDown() override {
    DetachSharedLibraries();
    ArrayOperations = {};
    fake::Reset();
  }

  static std::u16string TextAt(std::int64_t position) { return WorkspaceTextAt(position); }
  // The blocks the runtime holds: a heap's live blocks less the heap's own record.
  static std::size_t ProgramBlocks() { return fake::LiveBlocks(ProgramHeap->system) - 1; }
  static std::size_t StringBlocks() { return fake::LiveBlocks(StringHeap->system) - 1; }
};
