// The rows of one table into the target: one prepared INSERT per set of columns given, so
// that a column left out takes the schema's default, NOT NULL ones included. A batch holds
// rows of one set of columns only.
#include "migrate/table_writer.h"

#include "core/convert.h"
#include "core/strings.h"
#include "ravochat/migration.h"

namespace ravochat::migration {

TableWriter::TableWriter(db::Connection& conn, const ChatTable& table, std::vector<Column> columns,
                         bool merge)
    : conn_(conn), table_(table), columns_(std::move(columns)), merge_(merge) {
  if (columns_.size() > 64) {  // the columns given are kept as bits of one number
    throw MigrationError("table " + std::string(table_.name) + " has more than 64 columns");
  }
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (!table_.key.empty() && strings::EqualsIgnoreCase(columns_[i].name, table_.key)) {
      key_index_ = static_cast<int>(i);
    }
  }
  const std::string name(table_.name);
  if (merge_) {
    ReadTargetKeys();
  } else if (table_.replaces_by_key) {
    replace_ = "DELETE FROM " + name + " WHERE " + std::string(table_.key) + "=?";
  } else {
    conn_.Execute("DELETE FROM " + name);
  }
}

void TableWriter::ReadTargetKeys() {
  if (key_index_ < 0) return;
  db::Recordset rs =
      conn_.Execute("SELECT " + std::string(table_.key) + " FROM " + std::string(table_.name));
  for (; !rs.Eof(); rs.MoveNext()) {
    target_keys_.insert(strings::ToLowerAscii(convert::ToText(rs.FieldAt(0))));
  }
}

std::optional<std::string> TableWriter::KeyOf(const Row& row) const {
  if (key_index_ < 0 || !row[key_index_]) return std::nullopt;
  return strings::ToLowerAscii(convert::ToText(*row[key_index_]));
}

namespace {

// Rows a batch holds: a statement of at most a few thousand values, far below either
// database's limit on the values of one statement.
constexpr std::size_t kBatchRows = 100;

std::uint64_t ColumnsGiven(const Row& row) {
  std::uint64_t given = 0;
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (row[i]) given |= std::uint64_t{1} << i;
  }
  return given;
}

}  // namespace

std::string TableWriter::InsertFor(std::uint64_t given, std::size_t rows) {
  if (rows == kBatchRows) {
    if (auto it = inserts_.find(given); it != inserts_.end()) return it->second;
  }
  std::string names, marks;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if ((given & (std::uint64_t{1} << i)) == 0) continue;
    names.append(names.empty() ? "" : ",").append(columns_[i].name);
    marks.append(marks.empty() ? "(?" : ",?");
  }
  std::string insert = "INSERT INTO " + std::string(table_.name);
  if (names.empty()) return insert + " DEFAULT VALUES";  // a row of defaults, one at a time
  insert += " (" + names + ") VALUES ";
  for (std::size_t r = 0; r < rows; ++r) insert.append(r == 0 ? "" : ",").append(marks + ")");
  if (rows == kBatchRows) inserts_.emplace(given, insert);
  return insert;
}

bool TableWriter::Write(const Row& row) {
  const std::optional<std::string> key = KeyOf(row);
  if (merge_ && key && target_keys_.contains(*key)) return false;
  const std::uint64_t given = ColumnsGiven(row);
  if (batch_rows_ > 0 && (given != batch_given_ || batch_rows_ == kBatchRows)) Finish();
  if (!replace_.empty() && key) conn_.Execute(replace_, {*row[key_index_]});
  batch_given_ = given;
  for (const auto& value : row) {
    if (value) batch_values_.push_back(*value);
  }
  ++batch_rows_;
  // Rows that replace by key go one at a time: a later row of the same key replaces this one.
  if (given == 0 || !replace_.empty()) Finish();
  return true;
}

void TableWriter::Finish() {
  if (batch_rows_ == 0) return;
  conn_.Execute(InsertFor(batch_given_, batch_rows_), batch_values_);
  batch_rows_ = 0;
  batch_values_.clear();
}

}  // namespace ravochat::migration
