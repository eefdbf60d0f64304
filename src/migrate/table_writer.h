// Writing the rows of one table into the target database, inside the caller's transaction.
// A row is given as one optional value per target column; a column without a value takes
// the schema's default. When merging, a row whose key the target held before is left out.
// Rows go in batches of one multi-row INSERT (a round trip to PostgreSQL per batch, not per
// row); Finish writes the last batch.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "migrate/chat_tables.h"
#include "ravochat/database.h"
#include "ravochat/value.h"

namespace ravochat::migration {

using Row = std::vector<std::optional<Value>>;

class TableWriter {
 public:
  // Prepares `table` of `conn` (whose columns are `columns`) for the source's rows: without
  // `merge`, a table that does not replace by key is emptied; with it, the target's keys are
  // read. Throws DatabaseError.
  TableWriter(db::Connection& conn, const ChatTable& table, std::vector<Column> columns,
              bool merge);

  const std::vector<Column>& columns() const { return columns_; }
  // The index of the key column among columns(), or -1.
  int key_index() const { return key_index_; }

  // Writes `row` (one entry per column), or keeps it for the next batch. Returns false when
  // the target's row of the same key was kept instead (merging). Throws DatabaseError.
  bool Write(const Row& row);
  // Writes the rows kept for the batch. Throws DatabaseError.
  void Finish();

 private:
  // The INSERT statement of `rows` rows for the columns of `given`.
  std::string InsertFor(std::uint64_t given, std::size_t rows);
  // The key of `row` as the target compares it; nullopt when it has none.
  std::optional<std::string> KeyOf(const Row& row) const;
  void ReadTargetKeys();

  db::Connection& conn_;
  ChatTable table_;
  std::vector<Column> columns_;
  bool merge_;
  int key_index_ = -1;
  std::unordered_set<std::string> target_keys_;
  std::unordered_map<std::uint64_t, std::string> inserts_;  // by columns given, for full batches
  std::string replace_;
  // The batch: rows with values in the same columns, their values in order.
  std::uint64_t batch_given_ = 0;
  std::size_t batch_rows_ = 0;
  std::vector<Value> batch_values_;
};

}  // namespace ravochat::migration
