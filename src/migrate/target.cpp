// Opening the target.
#include "migrate/target.h"

#include "db/schema.h"
#include "migrate/chat_tables.h"

namespace ravochat::migration {

std::unique_ptr<db::Connection> OpenTarget(const Options& options, const Clock& clock) {
  db::EnsureDatabase(options.target);
  auto conn = db::Connection::Open(options.target, clock);
  const std::size_t users = CountRows(*conn, "user");
  if (users > 0 && !options.merge) {
    throw MigrationError("the target " + db::Redacted(options.target) +
                         " is not empty: its user table holds " + std::to_string(users) +
                         " rows; give --merge to add to them (its rows are kept)");
  }
  return conn;
}

void ContinueNumbering(db::Connection& conn, bool postgres) {
  if (postgres) conn.Execute(db::kContinuePostgresNumbering);
}

}  // namespace ravochat::migration
