// Unguessable tokens from the kernel's random source: session ids and form tokens.
#pragma once

#include <string>

namespace ravochat {

// 32 hexadecimal digits of 128 random bits. Throws Error when the system has no randomness
// to give.
std::string RandomToken();

}  // namespace ravochat
