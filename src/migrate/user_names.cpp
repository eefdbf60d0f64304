// The name check of the import. The login cuts a typed name to its first characters and
// lowers it before the rules see it, so a longer name or one the rules refuse could never
// log in.
#include "migrate/user_names.h"

#include "core/convert.h"
#include "core/records.h"
#include "core/strings.h"
#include "text/name_check.h"

namespace ravochat::migration {
namespace {

std::string Setting(db::Connection& conn, std::string_view alias) {
  db::Recordset rs = conn.Execute("SELECT body FROM sysparam WHERE alias=?", {Value(alias)});
  std::string body;
  for (; !rs.Eof(); rs.MoveNext()) body = convert::ToText(rs.FieldAt(0));  // the last one wins
  return body;
}

}  // namespace

UserNames::UserNames(db::Connection& conn)
    : filter_(Setting(conn, "usernamefilter")),
      enabled_(Setting(conn, "usernameenable")),
      min_length_(convert::ToDouble(Value(Setting(conn, "namelength")))),
      max_length_(convert::ToDouble(Value(Setting(conn, "maxnamelength")))) {}

// The login's limits: at least namelength, at most twice maxnamelength, a double-byte
// character counting 2.
std::string UserNames::LengthRefusal(std::string_view name) const {
  if (strings::Length(name) > kNameLength) {
    return "the user name " + std::string(name) + " is longer than " + std::to_string(kNameLength) +
           " characters";
  }
  const int length = text::NameLength(name);
  if (length >= min_length_ && length <= 2 * max_length_) return "";
  return "the user name " + std::string(name) + " has the length " + std::to_string(length) +
         ", outside the settings' namelength to twice maxnamelength";
}

std::string UserNames::Check(std::string_view name) const {
  const std::string lower = strings::ToLowerAscii(name);
  if (strings::Trim(lower).empty()) return "an empty user name";
  if (std::string length = LengthRefusal(name); !length.empty()) return length;
  std::string enabled = enabled_;
  if (text::IsRefusedName(lower, filter_, enabled)) {
    return "the name rules refuse the user name " + std::string(name);
  }
  return "";
}

}  // namespace ravochat::migration
