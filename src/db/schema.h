// The chat's tables (schema.sql) and the default rows of a new chat (defaults.sql), both
// compiled into the library.
#pragma once

#include <string>

namespace ravochat::db {

// Creates every table in the database of `connstr` (the file is made when missing, with its
// folder), and fills in the default rows when `with_defaults`. All of it or nothing: a
// database that already holds the tables fails with DatabaseError and stays unchanged.
void CreateTables(const std::string& connstr, bool with_defaults);

// PostgreSQL: sets the numbering of every table with an ID column to go on after the largest
// ID its rows hold, for rows written with their IDs (the default rows, imported or copied
// ones). A table without rows keeps its numbering. One statement, without "?".
inline constexpr char kContinuePostgresNumbering[] =
    "SELECT setval(pg_get_serial_sequence(t, 'id'), n) FROM ("
    "SELECT 'room' AS t, (SELECT max(ID) FROM room) AS n UNION ALL "
    "SELECT 'ip_lock', (SELECT max(ID) FROM ip_lock) UNION ALL "
    "SELECT 'calls', (SELECT max(ID) FROM calls) UNION ALL "
    "SELECT 'guestbook', (SELECT max(ID) FROM guestbook) UNION ALL "
    "SELECT 'friendrq', (SELECT max(ID) FROM friendrq) UNION ALL "
    "SELECT 'record', (SELECT max(ID) FROM record) UNION ALL "
    "SELECT 'autoact', (SELECT max(id) FROM autoact) UNION ALL "
    "SELECT 'scrollad', (SELECT max(ID) FROM scrollad)) AS numbered WHERE n IS NOT NULL";

}  // namespace ravochat::db
