// The chat's tables (schema.sql) and the default rows of a new chat (defaults.sql), both
// compiled into the library.
#pragma once

#include <string>

namespace ravochat::db {

// Creates every table in the database of `connstr` (the file is made when missing, with its
// folder), and fills in the default rows when `with_defaults`. All of it or nothing: a
// database that already holds the tables fails with DatabaseError and stays unchanged.
void CreateTables(const std::string& connstr, bool with_defaults);

}  // namespace ravochat::db
