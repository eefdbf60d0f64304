// The classic generator against the runtime's published values.
#include "core/classic_random.h"

#include <gtest/gtest.h>

namespace ravochat {
namespace {

// Published values have seven significant digits.
constexpr double kPublished = 5e-8;

TEST(ClassicRandom, FreshGeneratorGivesThePublishedSequence) {
  ClassicRandom rng;
  for (double expected : {0.7055475, 0.533424, 0.5795186, 0.2895625, 0.301948}) {
    EXPECT_NEAR(rng.Next(), expected, kPublished);
  }
}

TEST(ClassicRandom, ANegativeArgumentReseedsZeroRepeatsAndSeedGivesThePublishedValues) {
  ClassicRandom rng;
  rng.Next();
  EXPECT_EQ(rng.Next(-1), 3758214.0f / 16777216.0f);
  EXPECT_NEAR(rng.Next(-10), 0.3276443, kPublished);
  rng.Seed(10);
  for (double expected : {0.2077829, 0.4407803, 0.6152623}) {
    EXPECT_NEAR(rng.Next(), expected, kPublished);
  }
  // Zero repeats the last value without stepping.
  ClassicRandom fresh;
  const float first = fresh.Next();
  EXPECT_EQ(fresh.Next(0), first);
  EXPECT_NEAR(fresh.Next(), 0.533424, kPublished);
}

TEST(ClassicRandom, SeedFromTimeOfDayMixesTheSinglePattern) {
  ClassicRandom rng;
  // 1.0f is 0x3F800000: (0x0000 ^ 0x3F80) << 8, over the fresh low byte 0x00.
  rng.SeedFromTimeOfDay(1.0);
  EXPECT_EQ(rng.state(), 0x3F8000u);
}

}  // namespace
}  // namespace ravochat
