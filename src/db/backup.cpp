// The online backup: a page-by-page copy taken under one read transaction, so the copy is
// the database as it stood at one moment, whatever the chat writes meanwhile.
#include <sqlite3.h>

#include <cstdio>
#include <memory>

#include "db/pool.h"
#include "ravochat/database.h"
#include "ravochat/error.h"

namespace ravochat::db {
namespace {

using Database = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;

// How long a copy waits for writers holding a lock, in steps of kPauseMs.
constexpr int kPauseMs = 20;
constexpr int kMaxPauses = 500;

Database Open(const std::string& path, int flags) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  Database owned(db, &sqlite3_close_v2);
  if (rc != SQLITE_OK) {
    throw DatabaseError("cannot open database \"" + path +
                        "\": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
  }
  return owned;
}

// Copies every page of `from` into `to`. Throws DatabaseError naming `dest`.
void CopyPages(sqlite3* from, sqlite3* to, const std::string& dest) {
  sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
  if (backup == nullptr) {
    throw DatabaseError("cannot back up into \"" + dest + "\": " + sqlite3_errmsg(to));
  }
  int rc = SQLITE_OK;
  for (int pauses = 0; pauses < kMaxPauses; ++pauses) {
    rc = sqlite3_backup_step(backup, -1);
    if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) break;
    sqlite3_sleep(kPauseMs);
  }
  sqlite3_backup_finish(backup);
  if (rc != SQLITE_DONE) {
    throw DatabaseError("cannot back up into \"" + dest + "\": " + sqlite3_errstr(rc));
  }
}

}  // namespace

void BackupDatabase(const std::string& connstr, const std::string& dest) {
  const std::string part = dest + ".part";
  std::remove(part.c_str());
  try {
    Database from = Open(PathOf(connstr), SQLITE_OPEN_READWRITE);
    Database to = Open(part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    CopyPages(from.get(), to.get(), dest);
  } catch (...) {
    std::remove(part.c_str());
    throw;
  }
  if (std::rename(part.c_str(), dest.c_str()) != 0) {
    std::remove(part.c_str());
    throw DatabaseError("cannot move the backup into \"" + dest + "\"");
  }
}

}  // namespace ravochat::db
