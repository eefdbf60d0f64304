// now() and datediff() for the chat's statements. Both go through the one module of date
// rules (core/convert.h), so the database counts boundaries exactly as the component does.
#include "db/sql_functions.h"

#include <exception>
#include <string>

#include "core/convert.h"
#include "db/sql_value.h"
#include "db/sqlite_handle.h"

namespace ravochat::db {
namespace {

void Now(sqlite3_context* ctx, int, sqlite3_value**) {
  const auto* handle = static_cast<const Handle*>(sqlite3_user_data(ctx));
  std::string text = convert::DateToText(handle->clock().Now());
  sqlite3_result_text(ctx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// datediff(interval, a, b): null when a or b is null; an error for an unknown interval
// letter or a value that is no date, which fails the statement with that message.
void DateDiff(sqlite3_context* ctx, int, sqlite3_value** args) {
  if (sqlite3_value_type(args[1]) == SQLITE_NULL || sqlite3_value_type(args[2]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  try {
    convert::Interval interval =
        convert::IntervalFromLetter(convert::ToText(ValueFromSqlite(args[0])));
    Date a = convert::ToDate(ValueFromSqlite(args[1]));
    Date b = convert::ToDate(ValueFromSqlite(args[2]));
    sqlite3_result_int64(ctx, convert::DateDiff(interval, a, b));
  } catch (const std::exception& e) {
    std::string message = std::string("datediff: ") + e.what();
    sqlite3_result_error(ctx, message.c_str(), static_cast<int>(message.size()));
  }
}

}  // namespace

int RegisterFunctions(Handle& handle) {
  int rc = sqlite3_create_function_v2(handle.get(), "now", 0, SQLITE_UTF8, &handle, Now, nullptr,
                                      nullptr, nullptr);
  if (rc != SQLITE_OK) return rc;
  return sqlite3_create_function_v2(handle.get(), "datediff", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                    nullptr, DateDiff, nullptr, nullptr, nullptr);
}

}  // namespace ravochat::db
