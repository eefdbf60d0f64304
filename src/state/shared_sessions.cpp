// Sessions as Redis hashes, and this process's copies of them. A session's values are read
// once, when it is found, and each change is written through at once and announced, so that
// the visitor's next request, wherever it lands, sees it. Every hash holds the empty field ""
// with the empty value, so that a new session exists before anything is stored in it; read
// back, it is what Get("") gives anyway.
#include "state/shared_sessions.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/strings.h"
#include "core/value_codec.h"
#include "ravochat/error.h"
#include "ravochat/random_token.h"
#include "state/shared_key.h"

namespace ravochat {
namespace state {

using SteadyClock = std::chrono::steady_clock;

struct RedisSessions::Copies {
  struct Copy {
    ValueMap values;
    SteadyClock::time_point used;     // last found
    SteadyClock::time_point renewed;  // last given its expiry in Redis
  };

  explicit Copies(std::string channel_in) : channel(std::move(channel_in)) {}

  // A change of the session of `key` was heard or made: its copy is stale.
  void Forget(const std::string& key) {
    std::lock_guard lock(mutex);
    by_key.erase(key);
    ++changes;
  }
  // The listener started or stopped listening: no copy can be trusted.
  void Listening(bool now) {
    std::lock_guard lock(mutex);
    listening = now;
    by_key.clear();
    ++changes;
  }

  const std::string channel;  // where changes are announced
  std::mutex mutex;
  std::condition_variable wake;  // ends the threads' waits when stopping
  bool stopping = false;
  bool listening = false;
  std::uint64_t changes = 0;  // heard or made so far
  std::unordered_map<std::string, Copy> by_key;
  std::unordered_set<std::string> used;  // keys used since their expiry was last renewed
};

namespace {

// Stores one field only while the session still exists: a change racing with the session's
// expiry or removal must not bring back a hash that no process would ever let expire.
const RedisScript kWriteField{
    "if redis.call('EXISTS', KEYS[1]) == 0 then return 0 end\n"
    "redis.call('HSET', KEYS[1], ARGV[1], ARGV[2])\n"
    "redis.call('PUBLISH', ARGV[3], KEYS[1])\n"
    "return 1\n"};

// `text` as a SCAN pattern that matches exactly it.
std::string GlobLiteral(std::string_view text) {
  std::string pattern;
  for (char c : text) {
    if (c == '*' || c == '?' || c == '[' || c == ']' || c == '\\') pattern.push_back('\\');
    pattern.push_back(c);
  }
  return pattern;
}

// The values of an HGETALL reply.
ValueMap Decoded(const RedisReply& hash) {
  ValueMap values;
  for (std::size_t i = 0; i + 1 < hash.elements.size(); i += 2) {
    values.insert_or_assign(hash.elements[i].text,
                            value_codec::DecodeValue(hash.elements[i + 1].text));
  }
  return values;
}

// One request's copy of a session; not for use by several threads at once.
class RedisSession : public Session {
 public:
  RedisSession(std::shared_ptr<RedisPool> pool, std::shared_ptr<RedisSessions::Copies> copies,
               std::string key, ValueMap values)
      : pool_(std::move(pool)),
        copies_(std::move(copies)),
        key_(std::move(key)),
        values_(std::move(values)) {}

  Value Get(std::string_view key) const override {
    auto it = values_.find(key);
    return it != values_.end() ? it->second : Value();
  }

  void Set(std::string_view key, Value value) override {
    std::string field = strings::ToLowerAscii(key);
    pool_->Take()->Eval(kWriteField, {key_},
                        {field, value_codec::EncodeValue(value), copies_->channel});
    copies_->Forget(key_);
    values_.insert_or_assign(std::move(field), std::move(value));
  }

 private:
  std::shared_ptr<RedisPool> pool_;
  std::shared_ptr<RedisSessions::Copies> copies_;
  std::string key_;
  ValueMap values_;
};

}  // namespace

RedisSessions::RedisSessions(std::shared_ptr<RedisPool> pool, std::string_view prefix,
                             std::string_view kind, std::int64_t idle_seconds)
    : pool_(std::move(pool)),
      key_prefix_(SharedKey(prefix, std::string(kind) + ":")),
      idle_(idle_seconds * 1000),
      copies_(std::make_shared<Copies>(SharedKey(prefix, std::string(kind) + "-changes"))),
      listener_(
          pool_->address(), copies_->channel,
          {.listening = [copies = copies_] { copies->Listening(true); },
           .heard = [copies = copies_](std::string_view key) { copies->Forget(std::string(key)); },
           // Redis is away: the copies go, and the sessions are read from Redis until it
           // is back.
           .lost = [copies = copies_] { copies->Listening(false); }}),
      renewer_([this] { Renew(); }) {}

RedisSessions::~RedisSessions() {
  {
    std::lock_guard lock(copies_->mutex);
    copies_->stopping = true;
  }
  copies_->wake.notify_all();
  renewer_.join();
}

std::shared_ptr<Session> RedisSessions::Find(std::string_view id) {
  std::string key = KeyOf(id);
  const SteadyClock::time_point now = SteadyClock::now();
  bool keep = false;
  std::uint64_t changes = 0;
  {
    std::lock_guard lock(copies_->mutex);
    auto it = copies_->by_key.find(key);
    if (it != copies_->by_key.end() && now - it->second.used < idle_) {
      it->second.used = now;
      copies_->used.insert(key);
      return std::make_shared<RedisSession>(pool_, copies_, std::move(key), it->second.values);
    }
    keep = copies_->listening;
    changes = copies_->changes;
  }
  std::vector<RedisReply> replies =
      pool_->Take()->Run({{"PEXPIRE", key, std::to_string(idle_.count())}, {"HGETALL", key}});
  // An empty hash: removed by another process between the two commands.
  if (replies[0].integer == 0 || replies[1].elements.empty()) return nullptr;
  ValueMap values = Decoded(replies[1]);
  {
    std::lock_guard lock(copies_->mutex);
    // A change heard since the read began may be newer than what was read.
    if (keep && copies_->listening && copies_->changes == changes) {
      copies_->by_key.insert_or_assign(key, Copies::Copy{values, now, now});
    }
  }
  return std::make_shared<RedisSession>(pool_, copies_, std::move(key), std::move(values));
}

std::shared_ptr<Session> RedisSessions::Create(std::string& id) {
  static const std::string kEmpty = value_codec::EncodeValue(Value());
  while (true) {
    id = RandomToken();
    std::string key = KeyOf(id);
    std::vector<RedisReply> replies = pool_->Take()->Run(
        {{"HSETNX", key, "", kEmpty}, {"PEXPIRE", key, std::to_string(idle_.count())}});
    if (replies[0].integer == 1) {
      return std::make_shared<RedisSession>(pool_, copies_, std::move(key), ValueMap{});
    }
  }
}

void RedisSessions::Remove(std::string_view id) {
  const std::string key = KeyOf(id);
  pool_->Take()->Run({{"DEL", key}, {"PUBLISH", copies_->channel, key}});
  copies_->Forget(key);
}

bool RedisSessions::Listening() const {
  std::lock_guard lock(copies_->mutex);
  return copies_->listening;
}

void RedisSessions::Renew() {
  // A used session's expiry is renewed once a quarter of its idle time has passed since the
  // last renewal, to its last use plus the idle time: it never expires while in use, and
  // expires when its idle time has passed since its last use, as if each use had renewed it.
  const auto period = std::min<std::chrono::milliseconds>(std::chrono::seconds(1), idle_ / 4);
  std::unique_lock lock(copies_->mutex);
  while (!copies_->wake.wait_for(lock, period, [&] { return copies_->stopping; })) {
    const SteadyClock::time_point now = SteadyClock::now();
    std::erase_if(copies_->by_key,
                  [&](const auto& item) { return now - item.second.used >= idle_; });
    std::vector<RedisCommand> renewals;  // the key is each one's second word
    for (auto it = copies_->used.begin(); it != copies_->used.end();) {
      auto copy = copies_->by_key.find(*it);
      // A session whose copy went is renewed by the idle time from now.
      std::chrono::milliseconds left = idle_;
      if (copy != copies_->by_key.end()) {
        if (now - copy->second.renewed < idle_ / 4) {
          ++it;
          continue;
        }
        copy->second.renewed = now;
        left = std::max(
            std::chrono::milliseconds(1),
            std::chrono::duration_cast<std::chrono::milliseconds>(copy->second.used + idle_ - now));
      }
      renewals.push_back({"PEXPIRE", *it, std::to_string(left.count())});
      it = copies_->used.erase(it);
    }
    if (renewals.empty()) continue;
    lock.unlock();
    try {
      const std::vector<RedisReply> replies = pool_->Take()->Run(renewals);
      // A session that expired or went meanwhile is no longer there to renew.
      for (std::size_t i = 0; i < renewals.size(); ++i) {
        if (replies[i].integer == 0) copies_->Forget(renewals[i][1]);
      }
      lock.lock();
    } catch (const StateError&) {
      // Redis is away: renewed with the next batch.
      lock.lock();
      for (const RedisCommand& renewal : renewals) copies_->used.insert(renewal[1]);
    }
  }
}

void RedisSessions::ForEach(const std::function<void(Session&)>& visit) {
  const std::string pattern = GlobLiteral(key_prefix_) + "*";
  RedisPool::Held link = pool_->Take();
  std::string cursor = "0";
  do {
    RedisReply batch = link->Run({"SCAN", cursor, "MATCH", pattern, "COUNT", "1000"});
    cursor = batch.elements.at(0).text;
    std::vector<RedisCommand> loads;
    for (const RedisReply& key : batch.elements.at(1).elements)
      loads.push_back({"HGETALL", key.text});
    if (loads.empty()) continue;
    std::vector<RedisReply> hashes = link->Run(loads);
    for (std::size_t i = 0; i < hashes.size(); ++i) {
      if (hashes[i].elements.empty()) continue;  // expired since the scan saw it
      RedisSession session(pool_, copies_, loads[i][1], Decoded(hashes[i]));
      visit(session);
    }
  } while (cursor != "0");
}

}  // namespace state

std::unique_ptr<SharedSessions> SharedState::Sessions(std::string_view prefix,
                                                      std::string_view kind,
                                                      std::int64_t idle_seconds) {
  return std::make_unique<state::RedisSessions>(pool_, prefix, kind, idle_seconds);
}

}  // namespace ravochat
