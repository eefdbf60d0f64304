// Pools of open SQLite handles, one per connection string, so that opening a connection
// costs no file open. A handle in use belongs to one connection; idle ones wait here.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "db/sqlite_handle.h"

namespace ravochat::db {

// The file path that `connstr` names: the text itself, or what follows "sqlite:".
// Throws DatabaseError when it names no file.
std::string PathOf(const std::string& connstr);

class Pool {
 public:
  explicit Pool(std::string path) : path_(std::move(path)) {}

  // An idle handle, or a newly opened one when none is idle. Throws DatabaseError.
  std::unique_ptr<Handle> Take();
  // Takes `handle` back; it is closed when the pool is full or was dropped.
  void Give(std::unique_ptr<Handle> handle);
  // Closes the idle handles; handles given back later are closed too.
  void Drop();

 private:
  static constexpr std::size_t kMaxIdle = 32;

  const std::string path_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Handle>> idle_;
  bool dropped_ = false;
};

// The pool of `connstr`, made on first use. Throws DatabaseError for a string naming no file.
std::shared_ptr<Pool> PoolFor(const std::string& connstr);
// Forgets the pool of `connstr` and drops it (before its file is removed, in tests).
void DropPool(const std::string& connstr);

}  // namespace ravochat::db
