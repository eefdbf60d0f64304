// Visitors' sessions in Redis: each the hash "ravochat:<prefix>:<kind>:<id>", its fields the
// ASCII-lower-cased session keys, its values in the value codec's text. The key expires after
// the idle time, which every Find and every Set start again, so that no process sweeps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "ravochat/shared_state.h"
#include "state/redis_link.h"

namespace ravochat::state {

class RedisSessions : public SharedSessions {
 public:
  // The sessions of chat `prefix` of the kind `kind`, kept on the server of `pool`.
  RedisSessions(std::shared_ptr<RedisPool> pool, std::string_view prefix, std::string_view kind,
                std::int64_t idle_seconds);

  // The session holds the values it read; each Set is stored at once. Throw StateError when
  // Redis fails, ConversionError for a stored value the codec cannot read.
  std::shared_ptr<Session> Find(std::string_view id) override;
  std::shared_ptr<Session> Create(std::string& id) override;
  void Remove(std::string_view id) override;
  void ForEach(const std::function<void(Session&)>& visit) override;

 private:
  std::string KeyOf(std::string_view id) const { return key_prefix_ + std::string(id); }

  std::shared_ptr<RedisPool> pool_;
  std::string key_prefix_;  // "ravochat:<prefix>:<kind>:"
  std::string idle_ms_;     // the idle time as PEXPIRE's argument
};

}  // namespace ravochat::state
