// The import of an existing installation's CSV export. Every table is read one record at a
// time and written through one transaction on the target; a row that cannot be read stops
// the import (the transaction is rolled back) or, when asked, goes to refused.csv.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <set>
#include <unordered_map>

#include "core/convert.h"
#include "core/strings.h"
#include "db/pool.h"
#include "migrate/chat_tables.h"
#include "migrate/csv_reader.h"
#include "migrate/field_value.h"
#include "migrate/refused_rows.h"
#include "migrate/table_writer.h"
#include "migrate/target.h"
#include "migrate/text_encoding.h"
#include "migrate/user_names.h"
#include "ravochat/migration.h"

namespace ravochat::migration {
namespace {

namespace fs = std::filesystem;

struct Run {
  const Options& options;
  const Progress& progress;
  db::Connection& conn;
  RefusedRows refused;
  Report report;
};

// Where each field of the header goes among the target's columns, -1 for nowhere.
std::vector<int> MapHeader(const std::vector<CsvField>& header, const std::vector<Column>& columns,
                           const std::string& file, Report& report) {
  std::vector<int> targets;
  for (const CsvField& name : header) {
    int found = -1;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (strings::EqualsIgnoreCase(strings::TrimView(name.text), columns[i].name)) {
        found = static_cast<int>(i);
      }
    }
    if (found < 0)
      report.notes.push_back(file + ": the target has no column " + name.text +
                             "; its values are left out");
    targets.push_back(found);
  }
  return targets;
}

class TableImport {
 public:
  TableImport(Run& run, const ChatTable& table, const fs::path& file, Encoding encoding)
      : run_(run),
        file_(file.filename().string()),
        reader_(file, encoding),
        writer_(run.conn, table,
                TableColumns(run.conn, db::NamesPostgres(run.options.target), table.name),
                run.options.merge),
        table_(table),
        count_{std::string(table.name)} {
    if (table.name == "user") names_.emplace(run.conn);
  }

  TableCount Rows() {
    const auto start = std::chrono::steady_clock::now();
    std::vector<CsvField> fields;
    if (!reader_.Next(fields)) return count_;
    targets_ = MapHeader(fields, writer_.columns(), file_, run_.report);
    for (const CsvField& name : fields) header_.push_back(name.text);
    if (names_ && KeyField() == targets_.size()) {
      throw MigrationError(file_ + " line 1: no column " +
                           writer_.columns()[writer_.key_index()].name);
    }
    while (reader_.Next(fields)) {
      Record(fields);
      count_.seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if ((count_.rows + count_.kept) % kProgressRows == 0) run_.progress(count_, false);
    }
    writer_.Finish();
    run_.progress(count_, true);
    return count_;
  }

 private:
  void Record(const std::vector<CsvField>& fields) {
    std::string column, reason;
    Row row = ReadRow(fields, column, reason);
    if (!reason.empty()) return Refuse(column, reason);
    if (writer_.Write(row)) {
      ++count_.rows;
    } else {
      ++count_.kept;
      if (names_) {
        run_.report.notes.push_back(file_ + " line " + std::to_string(reader_.line()) +
                                    ": the target's user " + fields[KeyField()].text + " is kept");
      }
    }
  }

  Row ReadRow(const std::vector<CsvField>& fields, std::string& column, std::string& reason) {
    Row row(writer_.columns().size());
    if (fields.size() != targets_.size()) {
      reason = std::to_string(fields.size()) + " fields where the header names " +
               std::to_string(targets_.size());
      return row;
    }
    for (std::size_t i = 0; i < fields.size() && reason.empty(); ++i) {
      if (targets_[i] < 0) continue;
      column = header_[i];
      row[targets_[i]] = FieldValue(fields[i], writer_.columns()[targets_[i]].kind, reason);
    }
    if (reason.empty() && names_) {
      column = header_[KeyField()];
      reason = names_->Check(fields[KeyField()].text);
    }
    // A key is taken only by a row that is written.
    if (reason.empty() && KeyField() < fields.size()) {
      column = header_[KeyField()];
      reason = RepeatedKey(row, fields[KeyField()].text);
    }
    return row;
  }

  // The reason the key of `row` (`text` in the file) repeats an earlier row's, letter case
  // aside, or "" when it does not; the key is then remembered.
  std::string RepeatedKey(const Row& row, const std::string& text) {
    const std::optional<Value>& key = row[writer_.key_index()];
    if (!table_.unique_key || !key) return "";
    auto [it, added] =
        key_lines_.try_emplace(strings::ToLowerAscii(convert::ToText(*key)), reader_.line());
    if (added) return "";
    return (names_ ? "the user name " : header_[KeyField()] + " ") + text + " is already on line " +
           std::to_string(it->second) + (names_ ? " (letter case aside)" : "");
  }

  std::size_t KeyField() const {
    for (std::size_t i = 0; i < targets_.size(); ++i) {
      if (targets_[i] == writer_.key_index()) return i;
    }
    return targets_.size();
  }

  void Refuse(const std::string& column, const std::string& reason) {
    const std::string where = column.empty() ? "" : ", column " + column;
    if (!run_.options.skip_bad) {
      throw MigrationError(file_ + " line " + std::to_string(reader_.line()) + where + ": " +
                           reason);
    }
    run_.refused.Add(file_, reader_.line(), reason + (column.empty() ? "" : " (" + column + ")"),
                     reader_.raw());
    ++count_.refused;
  }

  Run& run_;
  std::string file_;
  CsvReader reader_;
  TableWriter writer_;
  std::vector<int> targets_;
  std::vector<std::string> header_;  // the columns as the file names them
  const ChatTable& table_;
  std::unordered_map<std::string, std::size_t> key_lines_;  // unique keys: the line of each
  std::optional<UserNames> names_;
  TableCount count_;
};

std::vector<fs::path> ExportedFiles(const fs::path& folder) {
  if (!fs::is_directory(folder)) throw MigrationError("no folder " + folder.string());
  std::vector<fs::path> files;
  for (const ChatTable& table : ImportedTables()) {
    const fs::path file = folder / (std::string(table.name) + ".csv");
    if (fs::exists(file)) files.push_back(file);
  }
  if (files.empty()) throw MigrationError("no table's CSV file in " + folder.string());
  return files;
}

// The table whose export `file` is (one that ExportedFiles found).
const ChatTable& TableOf(const fs::path& file) {
  const std::string stem = file.stem().string();
  for (const ChatTable& table : ImportedTables()) {
    if (table.name == stem) return table;
  }
  throw MigrationError("no table for " + file.string());
}

std::string_view NameOf(Encoding encoding) { return encoding == Encoding::kGbk ? "GBK" : "UTF-8"; }

// The encoding of every file, detected unless given (a file of ASCII alone is read as UTF-8);
// the note names the encodings detected.
std::vector<Encoding> ChooseEncodings(const Options& options, const std::vector<fs::path>& files,
                                      Report& report) {
  if (options.encoding != Encoding::kDetect) {
    return std::vector<Encoding>(files.size(), options.encoding);
  }
  std::vector<Encoding> found;
  std::vector<std::string> each;
  std::set<Encoding> kinds;
  for (const fs::path& file : files) {
    const std::optional<Encoding> detected = DetectEncoding(file);
    found.push_back(detected.value_or(Encoding::kUtf8));
    if (!detected) continue;
    kinds.insert(*detected);
    each.push_back(file.filename().string() + " as " + std::string(NameOf(*detected)));
  }
  const std::string line =
      kinds.size() > 1 ? "the files are read: " + strings::Join(each, ", ")
                       : "the files are read as " +
                             std::string(NameOf(kinds.empty() ? Encoding::kUtf8 : *kinds.begin()));
  report.notes.push_back(line + " (detected)");
  return found;
}

}  // namespace

Report Import(const Options& options, const Clock& clock, const Progress& progress) {
  const fs::path folder(options.source);
  const std::vector<fs::path> files = ExportedFiles(folder);
  Report report;
  const std::vector<Encoding> encodings = ChooseEncodings(options, files, report);
  auto conn = OpenTarget(options, clock);
  Run run{options, progress, *conn, RefusedRows(folder / "refused.csv"), std::move(report)};
  db::Transaction transaction(*conn);
  for (std::size_t i = 0; i < files.size(); ++i) {
    const ChatTable& table = TableOf(files[i]);
    run.report.tables.push_back(TableImport(run, table, files[i], encodings[i]).Rows());
  }
  ContinueNumbering(*conn, db::NamesPostgres(options.target));
  transaction.Commit();
  run.report.refused = run.refused.count();
  if (run.report.refused > 0) run.report.refused_file = run.refused.file().string();
  return run.report;
}

}  // namespace ravochat::migration
