// The operator's password: one argon2id hash string (libsodium's crypto_pwhash_str, which
// carries its own salt and cost) in the table `operator`, one of the tables every start adds
// to an older database.
#include <sodium.h>

#include "core/convert.h"
#include "ravochat/administration.h"
#include "ravochat/error.h"

namespace ravochat::administration {
namespace {

void EnsureSodium() {
  if (sodium_init() < 0) throw Error("libsodium cannot be initialised");
}

// The stored hash, or "" when there is none.
std::string StoredHash(db::Connection& conn) {
  db::Recordset row = conn.Execute("SELECT password_hash FROM operator LIMIT 1");
  return row.Eof() ? "" : convert::ToText(row.Field("password_hash"));
}

}  // namespace

void SetOperatorPassword(const std::string& connstr, const std::string& password,
                         const Clock& clock) {
  if (password.empty()) throw Error("the operator's password must not be empty");
  EnsureSodium();
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str_alg(hash, password.data(), password.size(),
                            crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
                            crypto_pwhash_ALG_ARGON2ID13) != 0) {
    throw Error("hashing the operator's password ran out of memory");
  }
  db::EnsureDatabase(connstr);
  auto conn = db::Connection::Open(connstr, clock);
  conn->Execute("DELETE FROM operator");
  conn->Execute("INSERT INTO operator (password_hash) VALUES (?)", {Value(std::string(hash))});
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
  EnsureSodium();
  return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

}  // namespace ravochat::administration
