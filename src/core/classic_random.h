// The classic runtime's pseudo-random generator, reproduced exactly: a 24-bit state,
// X = (X * 1140671485 + 12820163) mod 2^24, values X / 2^24. Passwords stored by existing
// installations depend on every detail of it.
#pragma once

#include <cstdint>

#include "ravochat/clock.h"

namespace ravochat {

class ClassicRandom {
 public:
  // R(x): x > 0 steps and returns the next value; x == 0 returns the last value again;
  // x < 0 reseeds from the single-precision pattern of x, then steps.
  float Next(double x = 1.0);
  // "Randomize n": mixes the high 32 bits of the double pattern of `n` into bits 8..23.
  void Seed(double n);
  // Seeds from the seconds since local midnight, as the runtime does for a bare Randomize.
  void SeedFromTimeOfDay(double seconds_since_midnight);

  std::uint32_t state() const { return state_; }

 private:
  std::uint32_t state_ = 0x50000;
};

// Seeds `rng` from the seconds since local midnight on `clock`, as a bare "randomize" does.
void SeedFromClock(ClassicRandom& rng, const Clock& clock);

}  // namespace ravochat
