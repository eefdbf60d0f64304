// The Redis connection: address parsing, pipelined commands over hiredis, scripts by SHA-1.
#include "state/redis_link.h"

#include <hiredis/hiredis.h>
#include <sys/socket.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <memory>
#include <thread>
#include <utility>

#include "ravochat/error.h"

namespace ravochat::state {
namespace {

// How long connecting and each answer may take before the server counts as lost; commands
// wait as long for a server that is still loading its data after a restart.
constexpr std::chrono::seconds kAnswerTime(5);
constexpr timeval kTimeout{kAnswerTime.count(), 0};
constexpr std::string_view kRefused = "Redis refused a command: ";

// Whether `error` is a refusal of Redis with the error code `code` ("NOSCRIPT", "LOADING").
bool RefusedWith(const StateError& error, std::string_view code) {
  const std::string_view what = error.what();
  return what.starts_with(kRefused) && what.substr(kRefused.size()).starts_with(code);
}

int NumberIn(std::string_view text, const std::string& address) {
  int number = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < 0) {
    throw StateError("cannot read the Redis address '" + address + "'");
  }
  return number;
}

RedisReply Convert(const redisReply& reply) {
  RedisReply out;
  switch (reply.type) {
    case REDIS_REPLY_INTEGER:
      out.kind = RedisReply::Kind::kInteger;
      out.integer = reply.integer;
      break;
    case REDIS_REPLY_STRING:
    case REDIS_REPLY_STATUS:
    case REDIS_REPLY_ERROR:
      out.kind = RedisReply::Kind::kText;
      out.text.assign(reply.str, reply.len);
      break;
    case REDIS_REPLY_ARRAY:
      out.kind = RedisReply::Kind::kArray;
      out.elements.reserve(reply.elements);
      for (std::size_t i = 0; i < reply.elements; ++i) {
        out.elements.push_back(Convert(*reply.element[i]));
      }
      break;
    default:
      break;
  }
  return out;
}

}  // namespace

RedisLink::RedisLink(std::string address) : address_(std::move(address)) {
  std::string_view rest = address_;
  if (rest.starts_with("unix:")) {
    host_ = rest.substr(5);
  } else if (rest.starts_with("redis://")) {
    rest.remove_prefix(8);
    if (const auto slash = rest.find('/'); slash != std::string_view::npos) {
      db_ = NumberIn(rest.substr(slash + 1), address_);
      rest = rest.substr(0, slash);
    }
    port_ = 6379;
    if (const auto colon = rest.rfind(':'); colon != std::string_view::npos) {
      port_ = NumberIn(rest.substr(colon + 1), address_);
      rest = rest.substr(0, colon);
    }
    host_ = rest;
  }
  if (host_.empty()) {
    throw StateError("cannot read the Redis address '" + address_ +
                     "' (redis://HOST:PORT[/DB] or unix:/path/to/redis.sock)");
  }
  Connect();
}

RedisLink::~RedisLink() {
  if (context_ != nullptr) redisFree(context_);
}

void RedisLink::Connect() {
  context_ = port_ == 0 ? redisConnectUnixWithTimeout(host_.c_str(), kTimeout)
                        : redisConnectWithTimeout(host_.c_str(), port_, kTimeout);
  if (context_ == nullptr) throw StateError("cannot reach Redis at " + address_);
  if (context_->err != 0) Fail("cannot reach Redis at " + address_);
  redisSetTimeout(context_, kTimeout);
  if (db_ == 0) return;
  try {
    Exchange({{"SELECT", std::to_string(db_)}});
  } catch (const StateError&) {
    // A connection that never chose its database is not kept.
    if (context_ != nullptr) redisFree(std::exchange(context_, nullptr));
    throw;
  }
}

void RedisLink::Fail(std::string_view what) {
  std::string message(what);
  if (context_ != nullptr) {
    message.append(": ").append(context_->errstr);
    redisFree(context_);
    context_ = nullptr;
  }
  throw StateError(message);
}

std::vector<RedisReply> RedisLink::Exchange(const std::vector<RedisCommand>& commands) {
  std::vector<const char*> argv;
  std::vector<std::size_t> lengths;
  for (const RedisCommand& command : commands) {
    argv.clear();
    lengths.clear();
    for (const std::string& arg : command) {
      argv.push_back(arg.data());
      lengths.push_back(arg.size());
    }
    if (redisAppendCommandArgv(context_, static_cast<int>(argv.size()), argv.data(),
                               lengths.data()) != REDIS_OK) {
      Fail("lost the connection to Redis at " + address_);
    }
  }
  std::vector<RedisReply> replies;
  replies.reserve(commands.size());
  std::string refusal;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    void* raw = nullptr;
    if (redisGetReply(context_, &raw) != REDIS_OK || raw == nullptr) {
      Fail("lost the connection to Redis at " + address_);
    }
    auto* reply = static_cast<redisReply*>(raw);
    if (reply->type == REDIS_REPLY_ERROR && refusal.empty()) refusal.assign(reply->str, reply->len);
    replies.push_back(Convert(*reply));
    freeReplyObject(reply);
  }
  if (!refusal.empty()) throw StateError(std::string(kRefused) + refusal);
  return replies;
}

std::vector<RedisReply> RedisLink::Run(const std::vector<RedisCommand>& commands) {
  // A restarted server accepts connections before its data is loaded and refuses every command
  // with LOADING meanwhile: the commands wait for it.
  const auto deadline = std::chrono::steady_clock::now() + kAnswerTime;
  while (true) {
    try {
      return RunOnce(commands);
    } catch (const StateError& e) {
      if (!RefusedWith(e, "LOADING") || std::chrono::steady_clock::now() > deadline) throw;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
}

std::vector<RedisReply> RedisLink::RunOnce(const std::vector<RedisCommand>& commands) {
  if (context_ == nullptr) {
    Connect();
    return Exchange(commands);
  }
  try {
    return Exchange(commands);
  } catch (const StateError&) {
    // A connection that was idle may have been closed by a server that restarted meanwhile:
    // one try on a new connection. The commands sent are safe to repeat.
    if (context_ != nullptr) throw;
    Connect();
    return Exchange(commands);
  }
}

RedisReply RedisLink::Run(const RedisCommand& command) {
  return std::move(Run(std::vector<RedisCommand>{command}).front());
}

RedisReply RedisLink::Eval(const RedisScript& script, const std::vector<std::string>& keys,
                           const std::vector<std::string>& args) {
  auto known = std::find_if(loaded_.begin(), loaded_.end(),
                            [&](const auto& entry) { return entry.first == &script; });
  if (known == loaded_.end()) {
    loaded_.emplace_back(&script, Run({"SCRIPT", "LOAD", script.source}).text);
    known = loaded_.end() - 1;
  }
  RedisCommand command{"EVALSHA", known->second, std::to_string(keys.size())};
  command.insert(command.end(), keys.begin(), keys.end());
  command.insert(command.end(), args.begin(), args.end());
  try {
    return Run(command);
  } catch (const StateError& e) {
    // A restarted server has forgotten the script: load it again, once.
    if (!RefusedWith(e, "NOSCRIPT")) throw;
    known->second = Run({"SCRIPT", "LOAD", script.source}).text;
    command[1] = known->second;
    return Run(command);
  }
}

void RedisLink::Listen(const std::string& channel, const std::function<void()>& listening,
                       const std::function<void(std::string_view)>& heard) {
  if (context_ == nullptr) Connect();
  Exchange({{"SUBSCRIBE", channel}});
  // Messages may be far apart: no answer time while listening.
  redisSetTimeout(context_, timeval{0, 0});
  listening_fd_ = context_->fd;
  if (interrupted_) return redisFree(std::exchange(context_, nullptr));
  listening();
  while (true) {
    void* raw = nullptr;
    if (redisGetReply(context_, &raw) != REDIS_OK || raw == nullptr) {
      listening_fd_ = -1;
      if (interrupted_) return redisFree(std::exchange(context_, nullptr));
      Fail("lost the connection to Redis at " + address_);
    }
    const std::unique_ptr<redisReply, void (*)(void*)> reply(static_cast<redisReply*>(raw),
                                                             &freeReplyObject);
    if (reply->type == REDIS_REPLY_ARRAY && reply->elements == 3 &&
        std::string_view(reply->element[0]->str, reply->element[0]->len) == "message") {
      heard(std::string_view(reply->element[2]->str, reply->element[2]->len));
    }
  }
}

void RedisLink::Interrupt() {
  interrupted_ = true;
  if (const int fd = listening_fd_; fd >= 0) shutdown(fd, SHUT_RDWR);
}

RedisPool::RedisPool(std::string address) : address_(std::move(address)) {
  idle_.push_back(std::make_unique<RedisLink>(address_));
}

RedisPool::Held RedisPool::Take() {
  {
    std::lock_guard lock(mutex_);
    if (!idle_.empty()) {
      std::unique_ptr<RedisLink> link = std::move(idle_.back());
      idle_.pop_back();
      return Held(*this, std::move(link));
    }
  }
  return Held(*this, std::make_unique<RedisLink>(address_));
}

void RedisPool::Give(std::unique_ptr<RedisLink> link) {
  if (!link) return;
  std::lock_guard lock(mutex_);
  if (idle_.size() < 64) idle_.push_back(std::move(link));
}

}  // namespace ravochat::state
