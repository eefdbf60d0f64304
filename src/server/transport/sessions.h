// Browser sessions behind a random 128-bit cookie, kept in memory or in the shared state's
// Redis. A session unused for the idle limit (20 minutes) is gone; the ids come from the
// kernel's random source.
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
#include "ravochat/shared_state.h"
#include "ravochat/snapshot.h"

namespace ravochat::server {

// The attributes every session cookie carries besides its name and value.
inline constexpr std::string_view kCookieAttributes = "; Path=/; HttpOnly; SameSite=Lax";

// The sessions of one chat's cookie. Safe for any number of threads.
class SessionStore {
 public:
  virtual ~SessionStore() = default;
  // The live session of `id`, marked as used now; null when there is none or it expired.
  virtual std::shared_ptr<Session> Find(std::string_view id) = 0;
  // A new empty session; stores its fresh id (32 hexadecimal digits) in `id`. Throws Error
  // when the kernel's random source fails.
  virtual std::shared_ptr<Session> Create(std::string& id) = 0;
  // Forgets the session of `id` at once.
  virtual void Remove(std::string_view id) = 0;
  // Drops every expired session; returns how many.
  virtual std::size_t Expire() = 0;
  // Calls `visit` for every live session; `visit` must not call back into the store.
  virtual void ForEach(const std::function<void(Session&)>& visit) = 0;

  // Every live session, marked as one of chat `chat`, to keep across a restart.
  virtual std::vector<SavedSession> Save(std::string_view chat) = 0;
  // Puts back the sessions of `saved` that belong to chat `chat`, under their ids and with
  // their last use, so that an expired one stays expired; returns how many.
  virtual std::size_t Restore(const std::vector<SavedSession>& saved, std::string_view chat) = 0;
};

// Sessions in this process's memory, lost when it ends unless saved.
class MemorySessionStore : public SessionStore {
 public:
  // Sessions expire after `idle_seconds` without use, as `clock` tells.
  explicit MemorySessionStore(const Clock& clock, std::int64_t idle_seconds = 20 * 60);

  std::shared_ptr<Session> Find(std::string_view id) override;
  std::shared_ptr<Session> Create(std::string& id) override;
  void Remove(std::string_view id) override;
  std::size_t Expire() override;
  // `visit` runs under the lock of the session's shard.
  void ForEach(const std::function<void(Session&)>& visit) override;
  std::vector<SavedSession> Save(std::string_view chat) override;
  std::size_t Restore(const std::vector<SavedSession>& saved, std::string_view chat) override;

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

// Sessions kept in the shared state's Redis, seen by every process of the chat. Redis expires
// them itself and keeps them across a restart: Expire, Save and Restore have nothing to do.
// Find, Create, Remove and ForEach throw StateError when Redis fails.
class SharedSessionStore : public SessionStore {
 public:
  explicit SharedSessionStore(std::unique_ptr<SharedSessions> sessions)
      : sessions_(std::move(sessions)) {}

  std::shared_ptr<Session> Find(std::string_view id) override { return sessions_->Find(id); }
  std::shared_ptr<Session> Create(std::string& id) override { return sessions_->Create(id); }
  void Remove(std::string_view id) override { sessions_->Remove(id); }
  std::size_t Expire() override { return 0; }
  void ForEach(const std::function<void(Session&)>& visit) override { sessions_->ForEach(visit); }
  std::vector<SavedSession> Save(std::string_view) override { return {}; }
  std::size_t Restore(const std::vector<SavedSession>&, std::string_view) override { return 0; }

 private:
  std::unique_ptr<SharedSessions> sessions_;
};

// Clears the name and token in the sessions of `sessions` that still hold a departed
// visitor's (he has not logged in again since).
void ForgetInSessions(SessionStore& sessions, const lumochat::Departures& gone);

}  // namespace ravochat::server
