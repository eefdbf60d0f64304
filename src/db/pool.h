// Pools of open links, one per connection string, so that opening a connection costs no
// file open or server round trip. A link in use belongs to one connection; idle ones wait
// here, and a link whose database went away is closed instead of kept.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "db/link.h"

namespace ravochat::db {

// True when `connstr` names a PostgreSQL database: a "postgresql://" or "postgres://" URI,
// or a libpq keyword string beginning with "host=" or "dbname=". Anything else is SQLite.
bool NamesPostgres(std::string_view connstr);

// The file path that `connstr` names: the text itself, or what follows "sqlite:".
// Throws DatabaseError when it names no file.
std::string PathOf(const std::string& connstr);

// A newly opened link to the database of `connstr`, of the kind it names. Throws
// DatabaseError when it cannot be opened (a missing SQLite file is not created).
std::unique_ptr<Link> OpenLink(const std::string& connstr);

class Pool {
 public:
  using Opener = std::function<std::unique_ptr<Link>()>;
  explicit Pool(Opener open) : open_(std::move(open)) {}

  // An idle link that is still alive, or a newly opened one. Throws DatabaseError.
  std::unique_ptr<Link> Take();
  // Takes `link` back; it is closed when the pool is full or was dropped, or when the link
  // was lost, and then the idle ones are closed too: they reached the same server.
  void Give(std::unique_ptr<Link> link);
  // Closes the idle links; links given back later are closed too.
  void Drop();

 private:
  static constexpr std::size_t kMaxIdle = 32;

  const Opener open_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Link>> idle_;
  bool dropped_ = false;
};

// The pool of `connstr`, made on first use. Throws DatabaseError for a string naming no file.
std::shared_ptr<Pool> PoolFor(const std::string& connstr);
// Forgets the pool of `connstr` and drops it (before its database is removed, in tests).
void DropPool(const std::string& connstr);

}  // namespace ravochat::db
