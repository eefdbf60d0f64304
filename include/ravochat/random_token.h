// Unguessable tokens from the kernel's random source (session ids and form tokens), and the
// one comparison of secrets: in time that does not depend on where two texts differ.
#pragma once

#include <string>
#include <string_view>

namespace ravochat {

// 32 hexadecimal digits of 128 random bits. Throws Error when the system has no randomness
// to give.
std::string RandomToken();

// True when `a` and `b` are the same text. Only their lengths show in the time it takes, not
// where they differ, so a token or a stored password cannot be guessed a byte at a time.
bool SameSecret(std::string_view a, std::string_view b);

}  // namespace ravochat
