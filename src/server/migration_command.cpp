// Output of the migration commands. Progress goes to standard error, rewritten in place, and
// only on a terminal; the counts go to standard output.
#include "migration_command.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "ravochat/database.h"
#include "ravochat/migration.h"

namespace ravochat::server {
namespace {

using migration::TableCount;

double RowsPerSecond(const TableCount& count) {
  const std::size_t rows = count.rows + count.kept + count.refused;
  return count.seconds > 0 ? rows / count.seconds : 0;
}

migration::Progress TerminalProgress() {
  if (isatty(STDERR_FILENO) == 0) return [](const TableCount&, bool) {};
  return [](const TableCount& count, bool done) {
    std::fprintf(stderr, "\r%-15s %10zu rows  %9.0f rows/s%s", count.table.c_str(),
                 count.rows + count.kept, RowsPerSecond(count), done ? "\n" : "");
  };
}

void PrintReport(const migration::Report& report) {
  for (const std::string& note : report.notes) std::printf("ravochat-server: %s\n", note.c_str());
  for (const TableCount& count : report.tables) {
    std::printf("%-15s %8zu rows", count.table.c_str(), count.rows);
    if (count.kept > 0) std::printf(", %zu of the target's kept", count.kept);
    if (count.refused > 0) std::printf(", %zu refused", count.refused);
    std::printf("\n");
  }
  if (report.refused > 0) {
    std::printf("ravochat-server: %zu rows refused, listed in %s\n", report.refused,
                report.refused_file.c_str());
  }
}

}  // namespace

int RunImport(const Options& options) {
  migration::Options run;
  run.source = options.import_from;
  run.target = options.db;
  if (!options.encoding.empty()) run.encoding = migration::ParseEncoding(options.encoding);
  run.skip_bad = options.skip_bad;
  run.merge = options.merge;
  PrintReport(migration::Import(run, SystemClock::Instance(), TerminalProgress()));
  std::printf("ravochat-server: %s imported into %s\n", options.import_from.c_str(),
              db::Redacted(options.db).c_str());
  return 0;
}

int RunCopy(const Options& options) {
  migration::Options run;
  run.source = options.copy_from;
  run.target = options.db;
  run.merge = options.merge;
  PrintReport(migration::Copy(run, SystemClock::Instance(), TerminalProgress()));
  std::printf("ravochat-server: %s copied into %s; the counts of both agree\n",
              db::Redacted(options.copy_from).c_str(), db::Redacted(options.db).c_str());
  return 0;
}

}  // namespace ravochat::server
