// A real ProgramHeap and LibraryTable for the tests of run-time loading on this
// system; every library is released and the table forgotten afterwards.
#pragma once

#include <gtest/gtest.h>

#include "program/globals.h"
#include "runtime/objects/shared_libraries.h"
#include "runtime/platform/platform.h"
#include "runtime/program_heap.h"

class LibrariesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProgramHeap = platform::CreatePrivateHeap();
    ASSERT_NE(ProgramHeap, nullptr);
    InitSharedLibraries();
  }
  void TearDown() override {
    ReleaseAllSharedLibraries();
    DetachSharedLibraries();
    platform::DestroyPrivateHeap(ProgramHeap);
    ProgramHeap = nullptr;
  }
};
