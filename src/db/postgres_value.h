// Values between the component and PostgreSQL, all passed as text: integers and booleans
// (1 or 0) go in typed as bigint and doubles as double precision, so that they compare as
// numbers; texts and dates ("YYYY-MM-DD HH:MM:SS") go in untyped, taking the type the
// statement gives them; empty and null values as NULL. Results come back as SQLite's do:
// whole-number columns as integers, other numbers as doubles, booleans as 1 or 0, a null
// as the null Value, everything else (dates included) as text.
#pragma once

#include <libpq-fe.h>

#include <optional>
#include <string>
#include <string_view>

#include "ravochat/value.h"

namespace ravochat::db {

// The type `value` is bound with: INT8OID, FLOAT8OID or 0 (unknown, left to the statement).
Oid PostgresTypeOf(const Value& value);
// The text of `value` as a parameter, nullopt for NULL. Throws DatabaseError naming `sql`
// and the 1-based `index` for a value of an array kind.
std::optional<std::string> PostgresText(const Value& value, std::size_t index,
                                        std::string_view sql);
// The Value of a non-null result field of type `type` whose text is `text`.
Value FromPostgres(Oid type, std::string_view text);

}  // namespace ravochat::db
