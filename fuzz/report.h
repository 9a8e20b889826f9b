// How a fuzz target fails: with the property's account of the first difference.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>

inline void TrapUnless(const ::testing::AssertionResult& result) {
  if (result) return;
  std::fprintf(stderr, "%s\n", result.message());
  __builtin_trap();
}
