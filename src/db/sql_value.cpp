// Conversion of values at the SQLite boundary.
#include "db/sql_value.h"

#include <string>

#include "core/convert.h"
#include "db/sqlite_handle.h"
#include "ravochat/error.h"

namespace ravochat::db {
namespace {

Value TextValue(const unsigned char* text, int bytes) {
  if (text == nullptr) return Value(std::string());
  return Value(std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes)));
}

int BindText(sqlite3_stmt* stmt, int index, const std::string& text) {
  return sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

}  // namespace

Value ValueFromSqlite(sqlite3_value* value) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
      return Value(static_cast<std::int64_t>(sqlite3_value_int64(value)));
    case SQLITE_FLOAT:
      return Value(sqlite3_value_double(value));
    case SQLITE_NULL:
      return Value::Null();
    default:
      return TextValue(sqlite3_value_text(value), sqlite3_value_bytes(value));
  }
}

Value ColumnValue(sqlite3_stmt* stmt, int index) {
  switch (sqlite3_column_type(stmt, index)) {
    case SQLITE_INTEGER:
      return Value(static_cast<std::int64_t>(sqlite3_column_int64(stmt, index)));
    case SQLITE_FLOAT:
      return Value(sqlite3_column_double(stmt, index));
    case SQLITE_NULL:
      return Value::Null();
    default:
      return TextValue(sqlite3_column_text(stmt, index), sqlite3_column_bytes(stmt, index));
  }
}

void BindValue(sqlite3_stmt* stmt, int index, const Value& value, std::string_view sql) {
  int rc = SQLITE_OK;
  switch (value.kind()) {
    case Value::Kind::kEmpty:
    case Value::Kind::kNull:
      rc = sqlite3_bind_null(stmt, index);
      break;
    case Value::Kind::kBool:
      rc = sqlite3_bind_int(stmt, index, *value.AsBool() ? 1 : 0);
      break;
    case Value::Kind::kInteger:
      rc = sqlite3_bind_int64(stmt, index, *value.AsInteger());
      break;
    case Value::Kind::kDouble:
      rc = sqlite3_bind_double(stmt, index, *value.AsDouble());
      break;
    case Value::Kind::kText:
      rc = BindText(stmt, index, *value.AsText());
      break;
    case Value::Kind::kDate:
      rc = BindText(stmt, index, convert::DateToText(*value.AsDate()));
      break;
    default:
      throw DatabaseError(StatementFailure(
          sql, "value " + std::to_string(index) + " is an array and cannot be bound"));
  }
  if (rc != SQLITE_OK) {
    throw DatabaseError(StatementFailure(sql, sqlite3_errmsg(sqlite3_db_handle(stmt))));
  }
}

}  // namespace ravochat::db
