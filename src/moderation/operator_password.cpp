// The operator's password: one argon2id hash string (libsodium's crypto_pwhash_str, which
// carries its own salt and cost) in the table `operator`, one of the tables every start adds
// to an older database.
#include <sodium.h>

#include "core/convert.h"
#include "ravochat/administration.h"
#include "ravochat/error.h"
#include "text/argon2.h"

namespace ravochat::administration {
namespace {

// The stored hash, or "" when there is none.
std::string StoredHash(db::Connection& conn) {
  db::Recordset row = conn.Execute("SELECT password_hash FROM operator LIMIT 1");
  return row.Eof() ? "" : convert::ToText(row.Field("password_hash"));
}

}  // namespace

void SetOperatorPassword(const std::string& connstr, const std::string& password,
                         const Clock& clock) {
  if (password.empty()) throw Error("the operator's password must not be empty");
  const std::string hash = text::Argon2idHash(
      password, {crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_OPSLIMIT_INTERACTIVE});
  db::EnsureDatabase(connstr);
  auto conn = db::Connection::Open(connstr, clock);
  conn->Execute("DELETE FROM operator");
  conn->Execute("INSERT INTO operator (password_hash) VALUES (?)", {Value(hash)});
}

bool HasOperatorPassword(const std::string& connstr, const Clock& clock) {
  auto conn = db::Connection::Open(connstr, clock);
  return !StoredHash(*conn).empty();
}

bool CheckOperatorPassword(const std::string& connstr, const std::string& password,
                           const Clock& clock) {
  auto conn = db::Connection::Open(connstr, clock);
  const std::string hash = StoredHash(*conn);
  if (hash.empty()) return false;
  return text::Argon2idVerify(hash, password);
}

}  // namespace ravochat::administration
