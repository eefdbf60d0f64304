// Values between the component and SQLite: integers, doubles and texts pass as they are,
// a database null is the null Value; booleans go in as 1 or 0, dates as
// "YYYY-MM-DD HH:MM:SS" text, empty and null values as NULL.
#pragma once

#include <sqlite3.h>

#include <string_view>

#include "ravochat/value.h"

namespace ravochat::db {

// The value of a function argument.
Value ValueFromSqlite(sqlite3_value* value);
// Column `index` of the current row of `stmt`.
Value ColumnValue(sqlite3_stmt* stmt, int index);
// Binds `value` to parameter `index` (from 1) of `stmt`. Throws DatabaseError naming `sql`
// for a value of an array kind or a failing bind.
void BindValue(sqlite3_stmt* stmt, int index, const Value& value, std::string_view sql);

}  // namespace ravochat::db
