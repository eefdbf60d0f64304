// The user names an import admits: those the login would let in (the name rules and length
// limits of the target's configuration rows).
#pragma once

#include <string>
#include <string_view>

#include "ravochat/database.h"

namespace ravochat::migration {

class UserNames {
 public:
  // Reads the name rules' settings (usernamefilter, usernameenable, namelength,
  // maxnamelength) from `conn`.
  explicit UserNames(db::Connection& conn);

  // The reason `name` is refused, or "" when it is admitted.
  std::string Check(std::string_view name) const;

 private:
  // The reason `name` is refused for its length, or "".
  std::string LengthRefusal(std::string_view name) const;

  std::string filter_;
  std::string enabled_;
  double min_length_;
  double max_length_;
};

}  // namespace ravochat::migration
