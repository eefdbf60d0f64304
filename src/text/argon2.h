// argon2id password hashes through libsodium: the "$argon2id$v=19$m=...,t=...,p=1$salt$hash"
// strings of crypto_pwhash_str, which carry their own salt and cost, so a string made at one
// cost verifies after the cost was changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ravochat::text {

// The memory and passes of one hash.
struct Argon2Cost {
  std::size_t memory_bytes = 0;
  std::uint64_t passes = 0;
};

// The argon2id string of `password` with a fresh random salt. Throws Error when libsodium
// cannot start or the memory cannot be had.
std::string Argon2idHash(std::string_view password, Argon2Cost cost);

// True when `password` is the one `hash` was made from; false for a wrong password and for a
// `hash` that is no argon2id string. Throws Error when libsodium cannot start.
bool Argon2idVerify(const std::string& hash, std::string_view password);

// True when `stored` has the form of an argon2id string ("$argon2id$..."); no other stored
// password begins with "$".
bool IsArgon2id(std::string_view stored);

}  // namespace ravochat::text
