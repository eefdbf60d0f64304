// The classic runtime's pseudo-random generator: a 24-bit linear congruential state whose
// values are exact in single precision. Seeding mixes bit patterns of the seed into the
// state the way that runtime did, so stored password transforms can be reproduced.
#include "core/classic_random.h"

#include <bit>
#include <limits>

#include "core/convert.h"

namespace ravochat {
namespace {

constexpr std::uint32_t kStateMask = 0xFFFFFF;
constexpr std::uint32_t kMultiplier = 1140671485;
constexpr std::uint32_t kIncrement = 12820163;
constexpr float kStates = 16777216.0f;  // 2^24

// The single-precision bit pattern of `x`; beyond the single range it is an infinity.
std::uint32_t SingleBits(double x) {
  constexpr double kMax = std::numeric_limits<float>::max();
  float f = x > kMax    ? std::numeric_limits<float>::infinity()
            : x < -kMax ? -std::numeric_limits<float>::infinity()
                        : static_cast<float>(x);
  return std::bit_cast<std::uint32_t>(f);
}

// Bits 8..23 of the state that a seed with the 32-bit pattern `h` sets.
std::uint32_t SeedBits(std::uint32_t h) { return (((h & 0xFFFF) ^ (h >> 16)) << 8) & 0xFFFF00; }

}  // namespace

float ClassicRandom::Next(double x) {
  if (x < 0) {
    std::uint32_t u = SingleBits(x);
    state_ = (u + (u >> 24)) & kStateMask;
  }
  if (x != 0) {
    // Unsigned arithmetic wraps modulo 2^32, a multiple of the 2^24 the state lives in.
    state_ = (state_ * kMultiplier + kIncrement) & kStateMask;
  }
  return static_cast<float>(state_) / kStates;
}

void ClassicRandom::Seed(double n) {
  auto high = static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(n) >> 32);
  state_ = (state_ & 0xFF) | SeedBits(high);
}

void ClassicRandom::SeedFromTimeOfDay(double seconds_since_midnight) {
  state_ = (state_ & 0xFF) | SeedBits(SingleBits(seconds_since_midnight));
}

void SeedFromClock(ClassicRandom& rng, const Clock& clock) {
  const convert::CivilTime now = convert::ToCivil(clock.Now());
  rng.SeedFromTimeOfDay(now.hour * 3600.0 + now.minute * 60.0 + now.second);
}

}  // namespace ravochat
