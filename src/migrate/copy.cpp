// The copy of every table from one ravochat database to another. The source is read under
// one snapshot, a page of rows at a time by key (or whole, for the small tables without
// one); the target is written in one transaction and its counts checked before the commit.
#include <chrono>

#include "core/convert.h"
#include "core/strings.h"
#include "db/pool.h"
#include "migrate/chat_tables.h"
#include "migrate/table_writer.h"
#include "migrate/target.h"
#include "ravochat/migration.h"

namespace ravochat::migration {
namespace {

constexpr std::size_t kPageRows = 2000;

struct Side {
  db::Connection& conn;
  bool postgres;
};

// The source's column of each target column, -1 where the source has none.
std::vector<int> MatchColumns(const std::vector<Column>& from, const std::vector<Column>& to,
                              std::string_view table, Report& report) {
  std::vector<int> sources(to.size(), -1);
  for (std::size_t s = 0; s < from.size(); ++s) {
    bool matched = false;
    for (std::size_t t = 0; t < to.size(); ++t) {
      if (strings::EqualsIgnoreCase(from[s].name, to[t].name)) {
        sources[t] = static_cast<int>(s);
        matched = true;
      }
    }
    if (!matched) {
      report.notes.push_back(std::string(table) + ": the target has no column " + from[s].name +
                             "; its values are left out");
    }
  }
  return sources;
}

class TableCopy {
 public:
  TableCopy(Side from, Side to, const ChatTable& table, const Options& options, Report& report)
      : from_(from),
        table_(table),
        from_columns_(TableColumns(from.conn, from.postgres, table.name)),
        writer_(to.conn, table, TableColumns(to.conn, to.postgres, table.name), options.merge),
        sources_(MatchColumns(from_columns_, writer_.columns(), table.name, report)),
        count_{std::string(table.name)} {
    for (const Column& column : from_columns_) {
      select_.append(select_.empty() ? "SELECT " : ",").append(column.name);
    }
    select_.append(" FROM ").append(table.name);
  }

  TableCount Rows(const Progress& progress) {
    const auto start = std::chrono::steady_clock::now();
    std::optional<Value> last;
    std::size_t read = 0;
    do {
      read = Page(last);
      count_.seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      progress(count_, false);
    } while (table_.unique_key && read == kPageRows);
    writer_.Finish();
    progress(count_, true);
    return count_;
  }

 private:
  // Copies the rows after the key `last` (all rows of a table without a unique key); leaves
  // the last key read in `last`. Returns the number of rows read.
  std::size_t Page(std::optional<Value>& last) {
    db::Recordset rs = from_.conn.Execute(PageStatement(last.has_value()),
                                          last ? std::vector<Value>{*last} : std::vector<Value>{});
    std::size_t read = 0;
    for (; !rs.Eof(); rs.MoveNext(), ++read) {
      Row row(sources_.size());
      for (std::size_t t = 0; t < sources_.size(); ++t) {
        if (sources_[t] >= 0) row[t] = rs.FieldAt(sources_[t]);
      }
      if (writer_.key_index() >= 0) last = *row[writer_.key_index()];
      writer_.Write(row) ? ++count_.rows : ++count_.kept;
    }
    return read;
  }

  std::string PageStatement(bool after) const {
    if (!table_.unique_key) return select_;
    const std::string key(table_.key);
    return select_ + (after ? " WHERE " + key + ">?" : "") + " ORDER BY " + key + " LIMIT " +
           std::to_string(kPageRows);
  }

  Side from_;
  const ChatTable& table_;
  std::vector<Column> from_columns_;
  TableWriter writer_;
  std::vector<int> sources_;
  std::string select_;
  TableCount count_;
};

// Every table of the target counts what the source has plus the target's rows kept.
void CheckCounts(Side from, Side to, const Report& report, bool merge) {
  for (const TableCount& table : report.tables) {
    const std::size_t source = CountRows(from.conn, table.table);
    const std::size_t target = CountRows(to.conn, table.table);
    const bool agree = merge ? source == table.rows + table.kept : source == target;
    if (!agree) {
      throw MigrationError("table " + table.table + ": the source holds " + std::to_string(source) +
                           " rows, the target " + std::to_string(target) + "; nothing was copied");
    }
  }
}

}  // namespace

Report Copy(const Options& options, const Clock& clock, const Progress& progress) {
  if (options.source == options.target) {
    throw MigrationError("the source and the target are the same database");
  }
  auto source = db::Connection::Open(options.source, clock);
  auto target = OpenTarget(options, clock);
  const Side from{*source, db::NamesPostgres(options.source)};
  const Side to{*target, db::NamesPostgres(options.target)};
  db::Transaction reading(*source);
  // Every page read from one snapshot of the source.
  if (from.postgres) source->Execute("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ");
  db::Transaction writing(*target);
  Report report;
  for (const ChatTable& table : CopiedTables()) {
    report.tables.push_back(TableCopy(from, to, table, options, report).Rows(progress));
  }
  ContinueNumbering(*target, to.postgres);
  CheckCounts(from, to, report, options.merge);
  writing.Commit();
  return report;
}

}  // namespace ravochat::migration
