// How a fuzz target starts an input, and how it fails: with the property's account
// of the first difference.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>

#include "runtime/strings/workspace.h"
#include "tests/fake/fake_platform.h"

inline void TrapUnless(const ::testing::AssertionResult& result) {
  if (result) return;
  std::fprintf(stderr, "%s\n", result.message());
  __builtin_trap();
}

// Every input from the same start, a new workspace and the fake heap's first
// call, so that an input that fails fails again on its own.
inline void StartAfresh() {
  FreeStringWorkspace();
  fake::state.heapCalls = 0;
  InitStringWorkspace();
}
