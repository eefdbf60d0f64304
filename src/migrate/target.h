// The target database of an import or a copy: made with the chat's tables when missing, and
// refused when it holds users already, unless the rows are to be merged.
#pragma once

#include <memory>
#include <string>

#include "ravochat/clock.h"
#include "ravochat/database.h"
#include "ravochat/migration.h"

namespace ravochat::migration {

// A connection to `options.target`, created when missing. Throws MigrationError when the
// target holds users and `options.merge` is false, or DatabaseError.
std::unique_ptr<db::Connection> OpenTarget(const Options& options, const Clock& clock);

// Sets PostgreSQL's numbering after the IDs written; nothing on SQLite, which numbers on
// from the largest ID by itself.
void ContinueNumbering(db::Connection& conn, bool postgres);

// Tells `progress` about `count` at most every kProgressRows rows, and when `done`.
inline constexpr std::size_t kProgressRows = 5000;

}  // namespace ravochat::migration
