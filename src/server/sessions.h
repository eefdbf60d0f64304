// Browser sessions kept in memory behind a random 128-bit cookie. A session unused for
// the idle limit (20 minutes) is gone; the ids come from the kernel's random source.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ravochat/clock.h"
#include "ravochat/host.h"
#include "ravochat/lumochat.h"
#include "ravochat/snapshot.h"

namespace ravochat::server {

// The attributes every session cookie carries besides its name and value.
inline constexpr std::string_view kCookieAttributes = "; Path=/; HttpOnly; SameSite=Lax";

// 32 hexadecimal digits of 128 random bits. Throws std::runtime_error when the system has
// no randomness to give.
std::string RandomToken();

class SessionStore {
 public:
  // Sessions expire after `idle_seconds` without use, as `clock` tells.
  explicit SessionStore(const Clock& clock, std::int64_t idle_seconds = 20 * 60);

  // The live session of `id`, marked as used now; null when there is none or it expired.
  std::shared_ptr<MemorySession> Find(std::string_view id);
  // A new empty session; stores its fresh id (32 hexadecimal digits) in `id`. Throws
  // std::runtime_error when the kernel's random source fails.
  std::shared_ptr<MemorySession> Create(std::string& id);
  // Forgets the session of `id` at once.
  void Remove(std::string_view id);
  // Drops every expired session; returns how many.
  std::size_t Expire();
  // Calls `visit` for every live session (under the lock of its shard: `visit` must not call
  // back into the store).
  void ForEach(const std::function<void(MemorySession&)>& visit);

  // Every live session, marked as one of chat `chat`, to keep across a restart.
  std::vector<SavedSession> Save(std::string_view chat);
  // Puts back the sessions of `saved` that belong to chat `chat`, under their ids and with
  // their last use, so that an expired one stays expired; returns how many.
  std::size_t Restore(const std::vector<SavedSession>& saved, std::string_view chat);

 private:
  struct Entry {
    std::shared_ptr<MemorySession> session;
    Date last_used;
  };
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view id) const { return std::hash<std::string_view>{}(id); }
  };
  // The sessions are spread over shards by id, so that the requests of many browsers at
  // once seldom wait for each other's lookups.
  struct Shard {
    std::mutex mutex;
    std::unordered_map<std::string, Entry, Hash, std::equal_to<>> sessions;
  };
  static constexpr std::size_t kShards = 16;

  bool Expired(const Entry& entry, Date now) const;
  Shard& ShardOf(std::string_view id) { return shards_[Hash{}(id) % kShards]; }

  const Clock& clock_;
  const std::int64_t idle_seconds_;
  std::array<Shard, kShards> shards_;
};

// Clears the name and token in the sessions of `sessions` that still hold a departed
// visitor's (he has not logged in again since).
void ForgetInSessions(SessionStore& sessions, const lumochat::Departures& gone);

}  // namespace ravochat::server
