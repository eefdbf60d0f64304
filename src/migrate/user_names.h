// The user names an import admits: those the login would let in (the name rules and length
// limits of the target's configuration rows), each once, letter case ignored.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ravochat/database.h"

namespace ravochat::migration {

class UserNames {
 public:
  // Reads the name rules' settings (usernamefilter, usernameenable, namelength,
  // maxnamelength) from `conn`.
  explicit UserNames(db::Connection& conn);

  // The reason `name` (on `line`) is refused, or "" when it is admitted; an admitted name is
  // remembered, so the same name in other letter case is refused after it.
  std::string Admit(std::string_view name, std::size_t line);

 private:
  // The reason `name` is refused for its length, or "".
  std::string LengthRefusal(std::string_view name) const;

  std::string filter_;
  std::string enabled_;
  double min_length_;
  double max_length_;
  std::unordered_map<std::string, std::size_t> lines_;
};

}  // namespace ravochat::migration
