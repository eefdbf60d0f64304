// Sessions as Redis hashes. A session's values are read once, when it is found, and each
// change is written through at once, so that the visitor's next request, wherever it lands,
// sees it. Every hash holds the empty field "" with the empty value, so that a new session
// exists before anything is stored in it; read back, it is what Get("") gives anyway.
#include "state/shared_sessions.h"

#include <utility>

#include "core/strings.h"
#include "core/value_codec.h"
#include "ravochat/random_token.h"
#include "state/shared_key.h"

namespace ravochat {
namespace state {
namespace {

// Stores one field only while the session still exists: a change racing with the session's
// expiry or removal must not bring back a hash that no process would ever let expire.
const RedisScript kWriteField{
    "if redis.call('EXISTS', KEYS[1]) == 0 then return 0 end\n"
    "redis.call('HSET', KEYS[1], ARGV[1], ARGV[2])\n"
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
  RedisSession(std::shared_ptr<RedisPool> pool, std::string key, ValueMap values)
      : pool_(std::move(pool)), key_(std::move(key)), values_(std::move(values)) {}

  Value Get(std::string_view key) const override {
    auto it = values_.find(key);
    return it != values_.end() ? it->second : Value();
  }

  void Set(std::string_view key, Value value) override {
    std::string field = strings::ToLowerAscii(key);
    pool_->Take()->Eval(kWriteField, {key_}, {field, value_codec::EncodeValue(value)});
    values_.insert_or_assign(std::move(field), std::move(value));
  }

 private:
  std::shared_ptr<RedisPool> pool_;
  std::string key_;
  ValueMap values_;
};

}  // namespace

RedisSessions::RedisSessions(std::shared_ptr<RedisPool> pool, std::string_view prefix,
                             std::string_view kind, std::int64_t idle_seconds)
    : pool_(std::move(pool)),
      key_prefix_(SharedKey(prefix, std::string(kind) + ":")),
      idle_ms_(std::to_string(idle_seconds * 1000)) {}

std::shared_ptr<Session> RedisSessions::Find(std::string_view id) {
  const std::string key = KeyOf(id);
  std::vector<RedisReply> replies =
      pool_->Take()->Run({{"PEXPIRE", key, idle_ms_}, {"HGETALL", key}});
  // An empty hash: removed by another process between the two commands.
  if (replies[0].integer == 0 || replies[1].elements.empty()) return nullptr;
  return std::make_shared<RedisSession>(pool_, key, Decoded(replies[1]));
}

std::shared_ptr<Session> RedisSessions::Create(std::string& id) {
  static const std::string kEmpty = value_codec::EncodeValue(Value());
  while (true) {
    id = RandomToken();
    const std::string key = KeyOf(id);
    std::vector<RedisReply> replies =
        pool_->Take()->Run({{"HSETNX", key, "", kEmpty}, {"PEXPIRE", key, idle_ms_}});
    if (replies[0].integer == 1) return std::make_shared<RedisSession>(pool_, key, ValueMap{});
  }
}

void RedisSessions::Remove(std::string_view id) { pool_->Take()->Run({"DEL", KeyOf(id)}); }

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
      RedisSession session(pool_, loads[i][1], Decoded(hashes[i]));
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
