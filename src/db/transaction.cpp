// Transactions over a pooled connection. A handle goes back to its pool when the connection
// ends, so a transaction must never be left open on it: the destructor rolls back.
#include "ravochat/database.h"
#include "ravochat/error.h"

namespace ravochat::db {

Transaction::Transaction(Connection& conn) : conn_(conn) { conn_.Execute("BEGIN"); }

Transaction::~Transaction() {
  if (!open_) return;
  try {
    conn_.Execute("ROLLBACK");
  } catch (const DatabaseError&) {
    // The failure that brought us here may have ended the transaction already.
  }
}

void Transaction::Commit() {
  conn_.Execute("COMMIT");
  open_ = false;
}

}  // namespace ravochat::db
