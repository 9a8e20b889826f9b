// The runtime started on a fresh fake platform, as start-up leaves it before the
// run: the ProgramHeap, the StringWorkspace, the array operations, the library
// table and the console; standard input and output start redirected.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "program/globals.h"
#include "runtime/arrays/array_operations.h"
#include "runtime/console/console.h"
#include "runtime/objects/shared_libraries.h"
#include "runtime/program_heap.h"
#include "runtime/strings/workspace.h"
#include "tests/fake/fake_platform.h"
#include "tests/seeded.h"

class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    ProgramGlobals = {};
    ProgramHeap = CreatePrivateHeap();
    InitStringWorkspace();
    InstallArrayOperations();
    InitSharedLibraries();
    PendingInput = nullptr;
    PendingByteHeld = SkipLineFeed = false;
    OpenConsole();
  }
  void TearDown() override {
    DetachSharedLibraries();
    ArrayOperations = {};
    fake::Reset();
  }

  static std::u16string TextAt(std::int64_t position) { return WorkspaceTextAt(position); }
  static std::int32_t Position() { return static_cast<std::int32_t>(StringWorkspace.position); }
  static std::size_t ProgramBlocks() { return HeldBlocks(ProgramHeap); }
  static std::size_t StringBlocks() { return HeldBlocks(StringHeap); }
  // The live blocks of `heap` less its own record and the large block it keeps.
  static std::size_t HeldBlocks(const PrivateHeap* heap) {
    return fake::LiveBlocks(heap->system) - 1 - (heap->spare != nullptr);
  }
};
