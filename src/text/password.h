// The password transform: 30 letters and digits (rarely "[" or "{") that the user table
// keeps instead of the password. It reproduces the texts that existing installations
// stored, so every step, the generator and its precision included, is fixed.
#pragma once

#include <string>
#include <string_view>

#include "core/classic_random.h"

namespace ravochat::text {

// The number of characters a transform has.
inline constexpr int kPasswordLength = 30;

// Maps 0..25 to "A".."Z", 26..51 to "a".."z" and 52..61 to "0".."9": `x` becomes the
// character's code (x + 65, x + 71 or x - 4), which is rounded half to even for the
// character. PasswordCharacter(x = 25.7) == "[" and leaves x == 90.7.
std::string PasswordCharacter(double& x);

// The 30-character transform of `password`, which must be trimmed and not empty, drawing
// from `rng` (reseeded from the password; the result depends on `rng`'s earlier state only
// for double-byte passwords). Throws Error for an empty password.
std::string TransformPassword(std::string_view password, ClassicRandom& rng);

// The transform the user table keeps: of `password` trimmed, drawn from a fresh generator, so
// that it depends on the password alone. Throws Error for a password empty after trimming.
std::string ClassicTransform(std::string_view password);

}  // namespace ravochat::text
