// argon2id through libsodium's crypto_pwhash_str family.
#include "text/argon2.h"

#include <sodium.h>

#include "ravochat/error.h"

namespace ravochat::text {
namespace {

void EnsureSodium() {
  if (sodium_init() < 0) throw Error("libsodium cannot be initialised");
}

}  // namespace

std::string Argon2idHash(std::string_view password, Argon2Cost cost) {
  EnsureSodium();
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str_alg(hash, password.data(), password.size(), cost.passes, cost.memory_bytes,
                            crypto_pwhash_ALG_ARGON2ID13) != 0) {
    throw Error("argon2id could not have " + std::to_string(cost.memory_bytes) +
                " bytes for a password hash");
  }
  return hash;
}

bool Argon2idVerify(const std::string& hash, std::string_view password) {
  EnsureSodium();
  return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

bool IsArgon2id(std::string_view stored) { return stored.starts_with("$argon2id$"); }

}  // namespace ravochat::text
