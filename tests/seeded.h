// Seeded random inputs for tests that compare with a reference.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

// A generator for seeded random tests. Every failure shows the seed; to replay
// one, run the test again with STRINGCHURN_SEED set to it.
class Seeded {
 public:
  Seeded() : Seeded(ChooseSeed()) {}
  explicit Seeded(unsigned seed)
      : trace_(__FILE__, __LINE__, "STRINGCHURN_SEED=" + std::to_string(seed)), random_(seed) {}
  // A number from `low` to `high`, both included.
  long Between(long low, long high) {
    return std::uniform_int_distribution<long>(low, high)(random_);
  }
  bool OneIn(long n) { return Between(1, n) == 1; }

 private:
  static unsigned ChooseSeed() {
    const char* chosen = std::getenv("STRINGCHURN_SEED");
    return chosen != nullptr ? static_cast<unsigned>(std::stoul(chosen)) : std::random_device{}();
  }
  ::testing::ScopedTrace trace_;
  std::mt19937_64 random_;
};
