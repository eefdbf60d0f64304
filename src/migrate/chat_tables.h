// The chat's tables as the import and the copy see them: their order, the column that keys
// a row when two databases are merged, and the kind of every column of a target database.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ravochat/database.h"

namespace ravochat::migration {

struct ChatTable {
  std::string_view name;
  // The column that names a row ("" for none): a row of the source whose key the target
  // holds already is left out when merging. User names compare without letter case.
  std::string_view key;
  // True when no two rows share a key, so that the rows can be read in pages by key.
  bool unique_key = false;
  // Rows of the source replace the target's rows of the same key, the target's others stay
  // (the configuration rows: a new chat's defaults that an old export lacks stay in force).
  // Without it, the rows of the source replace the whole table.
  bool replaces_by_key = false;
};

// The tables of an existing installation's export, in the order they are imported.
const std::vector<ChatTable>& ImportedTables();
// Every table of a ravochat database, in the order they are copied.
const std::vector<ChatTable>& CopiedTables();

enum class ColumnKind { kNumber, kDate, kText };

struct Column {
  std::string name;  // as the database spells it
  ColumnKind kind;
};

// The columns of `table` in the database of `conn`, in the schema's order. Dates are text on
// SQLite, so a date column is known by its name. Throws MigrationError for a table the
// database lacks.
std::vector<Column> TableColumns(db::Connection& conn, bool postgres, std::string_view table);

// How many rows `table` of `conn` holds.
std::size_t CountRows(db::Connection& conn, std::string_view table);

}  // namespace ravochat::migration
