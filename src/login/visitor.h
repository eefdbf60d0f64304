// What one login learns about its visitor on the way from the login form to the chat:
// the values the admission checks read and the values the entry writes into the user
// list, the room list and the says ring.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ravochat/value.h"

namespace ravochat::login {

// The classic transform of a password kept its first 15 characters.
inline constexpr std::size_t kPasswordLength = 15;

struct Visitor {
  std::string address;         // REMOTE_ADDR without its blanks
  std::string name;            // as typed (trimmed, first 10 characters); the stored
                               // spelling once an existing user's row is read
  std::string lower_name;      // the typed name in lower case
  std::string typed_password;  // sPass as typed; the welcome repeats it
  std::string password;        // a new user's stored form: the argon2id string
  int sex = 0;                 // 1 or 0
  Value level = 1;             // user_level of the row
  Value effective_level = 1;   // the greater of user_level and a temporary level
  std::int32_t face = 1010;
  std::string notice;  // the private login notice; may be empty
};

// The first address lock that matches the visitor's address.
struct AddressLock {
  bool locked = false;  // the lock's end lies in the future
  Value level = 0;      // act_level of a holding lock, else 0
};

// The columns of an existing user's row that the login reads.
struct UserRow {
  Value username, passwd, headface, sex, user_level, visit_num, out_info, out_time, friends;
};

}  // namespace ravochat::login
