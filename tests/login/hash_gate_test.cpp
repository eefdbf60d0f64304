// The hash gate: work runs in a free slot, and a caller that finds none within the wait
// runs nothing.
#include "login/hash_gate.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace ravochat::login {
namespace {

TEST(HashGate, WorkRunsInAFreeSlotAndNotWhenNoneFreesWithinTheWait) {
  HashGate gate(1, std::chrono::milliseconds(0));
  int runs = 0;
  EXPECT_TRUE(gate.Run([&] {
    ++runs;
    EXPECT_FALSE(gate.Run([&] { runs += 10; }));
  }));
  EXPECT_EQ(runs, 1);
  EXPECT_THROW(gate.Run([] { throw std::runtime_error("out of memory"); }), std::runtime_error);
  EXPECT_TRUE(gate.Run([&] { ++runs; }));  // the slot is free again, even after a throw
  EXPECT_EQ(runs, 2);
}

}  // namespace
}  // namespace ravochat::login
