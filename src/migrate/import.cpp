// The import of an existing installation's CSV export. Every table is read one record at a
// time and written through one transaction on the target; a row that cannot be read stops
// the import (the transaction is rolled back) or, when asked, goes to refused.csv.
#include <chrono>
#include <filesystem>
#include <optional>

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
  Encoding encoding;
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
  TableImport(Run& run, const ChatTable& table, const fs::path& file)
      : run_(run),
        file_(file.filename().string()),
        reader_(file, run.encoding),
        writer_(run.conn, table,
                TableColumns(run.conn, db::NamesPostgres(run.options.target), table.name),
                run.options.merge),
        count_{std::string(table.name)} {
    if (table.name == "user") names_.emplace(run.conn);
  }

  TableCount Rows() {
    const auto start = std::chrono::steady_clock::now();
    std::vector<CsvField> fields;
    if (!reader_.Next(fields)) return count_;
    targets_ = MapHeader(fields, writer_.columns(), file_, run_.report);
    if (names_ && UserField() == targets_.size()) {
      throw MigrationError(file_ + " line 1: no column " +
                           writer_.columns()[writer_.key_index()].name);
    }
    while (reader_.Next(fields)) {
      Record(fields);
      count_.seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if ((count_.rows + count_.kept) % kProgressRows == 0) run_.progress(count_, false);
    }
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
                                    ": the target's user " + fields[UserField()].text + " is kept");
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
      const Column& target = writer_.columns()[targets_[i]];
      column = target.name;
      row[targets_[i]] = FieldValue(fields[i], target.kind, reason);
    }
    // A name is taken only by a row that is written.
    if (reason.empty() && names_) {
      column = writer_.columns()[writer_.key_index()].name;
      reason = names_->Admit(fields[UserField()].text, reader_.line());
    }
    return row;
  }

  std::size_t UserField() const {
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

Encoding ChooseEncoding(const Options& options, const std::vector<fs::path>& files,
                        Report& report) {
  if (options.encoding != Encoding::kDetect) return options.encoding;
  const Encoding found = DetectEncoding(files);
  report.notes.push_back(std::string("the files are read as ") +
                         (found == Encoding::kGbk ? "GBK" : "UTF-8") + " (detected)");
  return found;
}

}  // namespace

Report Import(const Options& options, const Clock& clock, const Progress& progress) {
  const fs::path folder(options.source);
  const std::vector<fs::path> files = ExportedFiles(folder);
  Report report;
  const Encoding encoding = ChooseEncoding(options, files, report);
  auto conn = OpenTarget(options, clock);
  Run run{options,          progress, *conn, encoding, RefusedRows(folder / "refused.csv"),
          std::move(report)};
  db::Transaction transaction(*conn);
  for (const ChatTable& table : ImportedTables()) {
    const fs::path file = folder / (std::string(table.name) + ".csv");
    if (fs::exists(file)) run.report.tables.push_back(TableImport(run, table, file).Rows());
  }
  ContinueNumbering(*conn, db::NamesPostgres(options.target));
  transaction.Commit();
  run.report.refused = run.refused.count();
  if (run.report.refused > 0) run.report.refused_file = run.refused.file().string();
  return run.report;
}

}  // namespace ravochat::migration
