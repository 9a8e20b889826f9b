// A fresh fake platform with a ProgramHeap, a StringWorkspace and the array
// operations installed, as after start-up; the table is emptied again after.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "program/globals.h"
#include "runtime/arrays/array_header.h"
#include "runtime/arrays/array_operations.h"
#include "runtime/program_heap.h"
#include "runtime/strings/string_variable.h"
#include "runtime/strings/workspace.h"
#include "tests/fake/fake_platform.h"

class ArraysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    ProgramGlobals = {};
    ProgramHeap = platform::CreatePrivateHeap();
    InitStringWorkspace();
    InstallArrayOperations();
  }
  void TearDown() override {
    ArrayOperations = {};
    FreeStringWorkspace();
    platform::DestroyPrivateHeap(ProgramHeap);
    ProgramGlobals = {};
    fake::Reset();
  }

  static std::size_t ProgramBlocks() { return fake::LiveBlocks(ProgramHeap); }
  static std::size_t StringBlocks() { return fake::LiveBlocks(StringHeap); }

  // A StringVariable holding a copy of `text`.
  static StringVariable Text(const char16_t* text) {
    StringVariable variable = nullptr;
    AssignText(&variable, text);
    return variable;
  }
  static std::u16string TextOf(StringVariable variable) {
    return variable == nullptr ? u"<null>" : variable;
  }
  // Element `index` of an array of 8-byte elements.
  template <typename T = StringVariable>
  static T& At(void* elements, std::int64_t index) {
    return static_cast<T*>(elements)[index];
  }
};
