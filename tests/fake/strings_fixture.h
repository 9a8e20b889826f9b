// A fresh fake platform with an initialised StringWorkspace for each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/strings/workspace.h"
#include "tests/fake/fake_platform.h"

class WorkspaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    InitStringWorkspace();
  }
  void TearDown() override {
    FreeStringWorkspace();
    fake::Reset();
  }

  // The workspace text from byte offset `position` up to its NUL.
  static std::u16string TextAt(std::int64_t position) { return WorkspaceTextAt(position); }
  static std::int32_t Position() { return static_cast<std::int32_t>(StringWorkspace.position); }
};
