// A fresh fake platform with a ProgramHeap, a StringWorkspace and an open console
// for each test; standard input and output start redirected.
#pragma once

#include <string>

#include "program/globals.h"
#include "runtime/console/console.h"
#include "runtime/program_heap.h"
#include "tests/fake/fake_console.h"
#include "tests/fake/strings_fixture.h"

class ConsoleTest : public WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    ProgramHeap = platform::CreatePrivateHeap();
    ForgetPendingInput();
    OpenConsole();
  }
  void TearDown() override {
    // The pending input lives in the ProgramHeap, which goes with the fake's heaps.
    ForgetPendingInput();
    WorkspaceTest::TearDown();
    ProgramHeap = nullptr;
  }

  static void ForgetPendingInput() {
    PendingInput = nullptr;
    PendingByteHeld = false;
    SkipLineFeed = false;
  }

  static std::size_t LiveProgramBlocks() { return fake::LiveBlocks(ProgramHeap); }
};
