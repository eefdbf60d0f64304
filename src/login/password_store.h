// The password a user row keeps in `passwd`, of one of two kinds: the classic transform of
// the password's first 15 characters (30 letters and digits, as older installations and
// imports of their rows store it), or an argon2id string of the whole password, salted and
// memory-hard, which every password stored now is. A login that finds the classic kind
// replaces it by the argon2id kind. Every argon2id computation passes the process's hash gate.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "login/hash_gate.h"
#include "ravochat/host.h"

namespace ravochat::login {

// The memory and passes of an argon2id hash stored now; the default is the common
// recommendation for argon2id.
struct PasswordCost {
  std::uint32_t memory_mib = 19;
  std::uint32_t passes = 2;
};

// The cost the settings "_passwordmemory" (MiB) and "_passwordpasses" of chat `prefix` give;
// a setting that is missing, no whole number or below 1 gives its default.
PasswordCost ChatPasswordCost(const Application& app, std::string_view prefix);

// True when `typed` has no password in it: its first 15 characters are blanks or nothing.
bool PasswordIsBlank(std::string_view typed);

enum class PasswordCheck {
  kRight,
  kWrong,
  kBusy,  // the hash gate stayed full: nothing was decided
};

// Whether `typed`, exactly as typed, is the password `stored` keeps: an argon2id string is
// checked against the whole of it, a classic transform against its first 15 characters.
// Throws Error when libsodium cannot start.
PasswordCheck CheckPassword(const std::string& stored, std::string_view typed,
                            HashGate& gate = HashGate::Process());

// True when `stored` is a classic transform that a login should replace.
bool IsClassic(std::string_view stored);

// The argon2id string to store for `typed` (the whole of it, as typed), or nullopt when the
// hash gate stayed full. Throws Error when the cost's memory cannot be had.
std::optional<std::string> StorePassword(std::string_view typed, PasswordCost cost,
                                         HashGate& gate = HashGate::Process());

}  // namespace ravochat::login
