// Moving a chat's data in: the tables of an existing installation exported as CSV files
// (one a table), and every table of one ravochat database copied into another (SQLite and
// PostgreSQL either way). Each runs in one transaction on the target: all of it or nothing.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "ravochat/clock.h"
#include "ravochat/error.h"

namespace ravochat::migration {

// A row that cannot be read (naming the file, line and column), a target that already holds
// users without merging, or counts that disagree after a copy. The target stays unchanged.
class MigrationError : public Error {
 public:
  using Error::Error;
};

enum class Encoding { kDetect, kUtf8, kGbk };

// "gbk", "gb2312", "cp936", "utf-8" or "utf8" (any letter case). Throws MigrationError.
Encoding ParseEncoding(const std::string& name);

struct Options {
  // Import: the folder of the CSV files. Copy: the connection string of the source.
  std::string source;
  // The connection string of the target, created with the chat's tables when missing.
  std::string target;
  Encoding encoding = Encoding::kDetect;
  // Import: refused rows go to refused.csv in the folder instead of stopping the import.
  bool skip_bad = false;
  // A target that holds users is refused unless true; then its rows whose key (user name,
  // setting's alias, ID) the source repeats are kept and the source's are left out.
  bool merge = false;
};

// What one table got.
struct TableCount {
  std::string table;
  std::size_t rows = 0;     // rows written
  std::size_t kept = 0;     // rows of the target kept instead of the source's (merging)
  std::size_t refused = 0;  // rows refused (import with skip_bad)
  double seconds = 0;
};

struct Report {
  // One line each: the encoding detected, a column the target lacks, a user kept.
  std::vector<std::string> notes;
  std::vector<TableCount> tables;
  std::size_t refused = 0;
  // The file the refused rows went to, empty when none was refused.
  std::string refused_file;
};

// Called as a table is being written (every few thousand rows) and when it is done.
using Progress = std::function<void(const TableCount& count, bool done)>;

// Imports the CSV files of `options.source` (user.csv, vrecord.csv, calls.csv,
// guestbook.csv, friendrq.csv, ip_lock.csv, record.csv, room.csv, sysparam.csv,
// action.csv, autoact.csv, scrollad.csv; any may be missing) into `options.target`.
// A table with a file replaces the target's rows (the configuration rows: those of the same
// alias). Throws MigrationError, or DatabaseError; the target then stays as it was.
Report Import(const Options& options, const Clock& clock, const Progress& progress);

// Copies every chat table of the database `options.source` into `options.target`, then
// checks that both sides count the same rows. Throws MigrationError or DatabaseError; the
// target then stays as it was.
Report Copy(const Options& options, const Clock& clock, const Progress& progress);

}  // namespace ravochat::migration
