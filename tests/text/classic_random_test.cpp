// The classic generator against the runtime's published values.
#include "text/classic_random.h"

#include <gtest/gtest.h>

namespace ravochat::text {
namespace {

// Published values have seven significant digits.
constexpr double kPublished = 5e-8;

TEST(ClassicRandom, FreshGeneratorGivesThePublishedSequence) {
  ClassicRandom rng;
  for (double expected : {0.7055475, 0.533424, 0.5795186, 0.2895625, 0.301948}) {
    EXPECT_NEAR(rng.Next(), expected, kPublished);
  }
}

TEST(ClassicRandom, MinusOneReseedsFromTheSinglePattern) {
  ClassicRandom rng;
  rng.Next();
  EXPECT_EQ(rng.Next(-1), 3758214.0f / 16777216.0f);
  EXPECT_EQ(rng.state(), 3758214u);
}

TEST(ClassicRandom, SeedingWithTenAfterMinusTenGivesThePublishedValues) {
  ClassicRandom rng;
  EXPECT_NEAR(rng.Next(-10), 0.3276443, kPublished);
  rng.Seed(10);
  for (double expected : {0.2077829, 0.4407803, 0.6152623}) {
    EXPECT_NEAR(rng.Next(), expected, kPublished);
  }
}

TEST(ClassicRandom, ZeroRepeatsTheLastValueWithoutStepping) {
  ClassicRandom rng;
  float first = rng.Next();
  EXPECT_EQ(rng.Next(0), first);
  EXPECT_NEAR(rng.Next(), 0.533424, kPublished);
}

TEST(ClassicRandom, SeedKeepsTheLowByteOfTheState) {
  ClassicRandom rng;
  rng.Next(-1);  // state 0x395886
  std::uint32_t low = rng.state() & 0xFF;
  rng.Seed(10);
  EXPECT_EQ(rng.state() & 0xFF, low);
  // 10.0 is 0x4024000000000000: (0x0000 ^ 0x4024) << 8.
  EXPECT_EQ(rng.state() & 0xFFFF00, 0x402400u);
}

TEST(ClassicRandom, SeedFromTimeOfDayMixesTheSinglePattern) {
  ClassicRandom rng;
  // 1.0f is 0x3F800000: (0x0000 ^ 0x3F80) << 8, over the fresh low byte 0x00.
  rng.SeedFromTimeOfDay(1.0);
  EXPECT_EQ(rng.state(), 0x3F8000u);
}

}  // namespace
}  // namespace ravochat::text
