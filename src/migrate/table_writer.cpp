// The rows of one table into the target: one prepared INSERT per set of columns given, so
// that a column left out takes the schema's default, NOT NULL ones included.
#include "migrate/table_writer.h"

#include "core/convert.h"
#include "core/strings.h"

namespace ravochat::migration {

TableWriter::TableWriter(db::Connection& conn, const ChatTable& table, std::vector<Column> columns,
                         bool merge)
    : conn_(conn), table_(table), columns_(std::move(columns)), merge_(merge) {
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

const std::string& TableWriter::InsertFor(const Row& row) {
  std::uint64_t given = 0;
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (row[i]) given |= std::uint64_t{1} << i;
  }
  auto [it, added] = inserts_.try_emplace(given);
  if (!added) return it->second;
  std::string names, marks;
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (!row[i]) continue;
    names.append(names.empty() ? "" : ",").append(columns_[i].name);
    marks.append(marks.empty() ? "?" : ",?");
  }
  // A row with no value at all still makes a row of defaults.
  it->second = names.empty() ? "INSERT INTO " + std::string(table_.name) + " DEFAULT VALUES"
                             : "INSERT INTO " + std::string(table_.name) + " (" + names +
                                   ") VALUES (" + marks + ")";
  return it->second;
}

bool TableWriter::Write(const Row& row) {
  const std::optional<std::string> key = KeyOf(row);
  if (merge_ && key && target_keys_.contains(*key)) return false;
  if (!replace_.empty() && key) conn_.Execute(replace_, {*row[key_index_]});
  std::vector<Value> values;
  values.reserve(row.size());
  for (const auto& value : row) {
    if (value) values.push_back(*value);
  }
  conn_.Execute(InsertFor(row), values);
  return true;
}

}  // namespace ravochat::migration
