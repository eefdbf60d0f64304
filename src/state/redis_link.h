// One connection to the Redis server that holds the shared state, made again by the next
// command after it broke. Not for concurrent use: each user holds its own (RedisPool).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct redisContext;

namespace ravochat::state {

// A reply: nil, a whole number, a text (bulk or status), or an array of replies.
struct RedisReply {
  enum class Kind { kNil, kInteger, kText, kArray };
  Kind kind = Kind::kNil;
  long long integer = 0;
  std::string text;
  std::vector<RedisReply> elements;
};

using RedisCommand = std::vector<std::string>;

// A Lua script run on the server with EVALSHA, sent along the first time a server lacks it.
struct RedisScript {
  std::string source;
};

class RedisLink {
 public:
  // `address` is "redis://HOST[:PORT][/DB]" or "unix:/path/to/redis.sock". Connects at once.
  // Throws StateError for an address it cannot read or a server it cannot reach.
  explicit RedisLink(std::string address);
  ~RedisLink();
  RedisLink(const RedisLink&) = delete;
  RedisLink& operator=(const RedisLink&) = delete;

  // Sends `commands` at once and returns their replies in order; when the connection turns
  // out to be broken, sends them once more on a new one, and while the server is loading its
  // data, again until it answers, so they must be safe to repeat. Throws StateError when that
  // fails too (a new connection is made at the next call) or when a command is refused.
  std::vector<RedisReply> Run(const std::vector<RedisCommand>& commands);
  RedisReply Run(const RedisCommand& command);
  // Runs `script` with KEYS and ARGV. Throws as Run; the script's own error reply throws
  // StateError with its text.
  RedisReply Eval(const RedisScript& script, const std::vector<std::string>& keys,
                  const std::vector<std::string>& args);

  // Subscribes to `channel`, runs `listening` once subscribed, and then `heard` with each
  // message, until Interrupt (returns) or until the connection breaks (throws StateError).
  // The link is then connected afresh by its next command.
  void Listen(const std::string& channel, const std::function<void()>& listening,
              const std::function<void(std::string_view)>& heard);
  // Makes the Listen of another thread return, now or as soon as it starts.
  void Interrupt();

  const std::string& address() const { return address_; }

 private:
  void Connect();
  std::vector<RedisReply> RunOnce(const std::vector<RedisCommand>& commands);
  std::vector<RedisReply> Exchange(const std::vector<RedisCommand>& commands);
  [[noreturn]] void Fail(std::string_view what);

  std::string address_;
  std::string host_;  // or the socket's path
  int port_ = 0;      // 0 for a socket
  int db_ = 0;
  redisContext* context_ = nullptr;
  std::atomic<int> listening_fd_ = -1;
  std::atomic<bool> interrupted_ = false;
  std::vector<std::pair<const RedisScript*, std::string>> loaded_;  // script, its SHA-1
};

// Links to one server for many threads: an idle one is taken and given back.
class RedisPool {
 public:
  // Connects one link at once, so that an unreachable server shows at start.
  explicit RedisPool(std::string address);

  // A link for the caller's use, returned to the pool when the holder goes.
  class Held {
   public:
    Held(RedisPool& pool, std::unique_ptr<RedisLink> link) : pool_(pool), link_(std::move(link)) {}
    ~Held() { pool_.Give(std::move(link_)); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    RedisLink* operator->() { return link_.get(); }
    RedisLink& operator*() { return *link_; }

   private:
    RedisPool& pool_;
    std::unique_ptr<RedisLink> link_;
  };
  Held Take();
  // Subscribes to `channel`, runs `listening` once subscribed, and then `heard` with each
  // message, until Interrupt (returns) or until the connection breaks (throws StateError).
  // The link is then connected afresh by its next command.
  void Listen(const std::string& channel, const std::function<void()>& listening,
              const std::function<void(std::string_view)>& heard);
  // Makes the Listen of another thread return, now or as soon as it starts.
  void Interrupt();

  const std::string& address() const { return address_; }

 private:
  void Give(std::unique_ptr<RedisLink> link);

  const std::string address_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<RedisLink>> idle_;
};

}  // namespace ravochat::state
