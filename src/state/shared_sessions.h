// Visitors' sessions in Redis: each the hash "ravochat:<prefix>:<kind>:<id>", its fields the
// ASCII-lower-cased session keys, its values in the value codec's text. The key expires after
// the idle time without use, so that no process sweeps.
//
// Sessions change rarely (a login, a logout, a visitor sent away) and are read on every
// request, so each process keeps a copy of the sessions it has read. Every change is stored at
// once and announced on the kind's channel ("ravochat:<prefix>:<kind>-changes"); each process
// listens there and drops its copy of a session that another changed. A copy is kept only
// while the process listens, and only when no change was heard while it was being read. A
// request served from the copy renews the session's expiry in Redis within a second, with the
// other sessions used meanwhile, in one batch.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "ravochat/shared_state.h"
#include "state/redis_link.h"
#include "state/redis_listener.h"

namespace ravochat::state {

class RedisSessions : public SharedSessions {
 public:
  // The sessions of chat `prefix` of the kind `kind`, kept on the server of `pool`.
  RedisSessions(std::shared_ptr<RedisPool> pool, std::string_view prefix, std::string_view kind,
                std::int64_t idle_seconds);
  ~RedisSessions() override;
  RedisSessions(const RedisSessions&) = delete;
  RedisSessions& operator=(const RedisSessions&) = delete;

  // The session holds the values it read; each Set is stored at once. Throw StateError when
  // Redis fails, ConversionError for a stored value the codec cannot read.
  std::shared_ptr<Session> Find(std::string_view id) override;
  std::shared_ptr<Session> Create(std::string& id) override;
  void Remove(std::string_view id) override;
  void ForEach(const std::function<void(Session&)>& visit) override;
  // True while changes of other processes are heard (copies are kept only then).
  bool Listening() const;

  // What this process holds of the sessions, shared with the sessions it handed out.
  struct Copies;

 private:
  std::string KeyOf(std::string_view id) const { return key_prefix_ + std::string(id); }
  // The thread that renews expiries.
  void Renew();

  std::shared_ptr<RedisPool> pool_;
  const std::string key_prefix_;  // "ravochat:<prefix>:<kind>:"
  const std::chrono::milliseconds idle_;
  std::shared_ptr<Copies> copies_;
  RedisListener listener_;  // of the changes of every process
  std::thread renewer_;
};

}  // namespace ravochat::state
