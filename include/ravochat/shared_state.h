// The state of chats shared by several ravochat-server processes through one Redis server:
// the application (each chat's user and room lists, its ring and counters, its configuration),
// the visitors' sessions, and leases for the work that one process does for all of them.
// Every key lies under "ravochat:" + the chat's prefix + ":".
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ravochat/clock.h"
#include "ravochat/host.h"

namespace ravochat {

namespace state {
class RedisPool;
class RedisApplication;
}  // namespace state

// Sessions of one chat kept in Redis, each a hash that expires after the idle time without use.
// Safe for any number of threads.
class SharedSessions {
 public:
  virtual ~SharedSessions() = default;
  // The session of `id`, its idle time started again; null when there is none or it expired.
  virtual std::shared_ptr<Session> Find(std::string_view id) = 0;
  // A new empty session; stores its fresh id (32 hexadecimal digits) in `id`.
  virtual std::shared_ptr<Session> Create(std::string& id) = 0;
  virtual void Remove(std::string_view id) = 0;
  // Calls `visit` for every live session.
  virtual void ForEach(const std::function<void(Session&)>& visit) = 0;
};

// The failure (StateError) to store in Redis the changes of the last chat lock this thread
// released, or null; taken once. Releasing a lock cannot throw it: a host takes it after each
// page, before answering, and the thread's next lock of a chat throws it meanwhile.
std::exception_ptr TakeStoreFailure();
// Throws what TakeStoreFailure returns.
inline void ThrowStoreFailure() {
  if (std::exception_ptr failure = TakeStoreFailure()) std::rethrow_exception(failure);
}

// A watch of a chat for the changes other processes store; it ends when destroyed.
class ChangeWatch {
 public:
  virtual ~ChangeWatch() = default;
};

class SharedState {
 public:
  // Connects to the Redis server at `address` ("redis://HOST[:PORT][/DB]" or
  // "unix:/path/to/redis.sock") for the chats of `prefixes`. Throws StateError when the
  // address cannot be read or the server cannot be reached.
  SharedState(std::string address, const std::vector<std::string>& prefixes);
  ~SharedState();
  SharedState(const SharedState&) = delete;
  SharedState& operator=(const SharedState&) = delete;

  // The application of every chat of this process. A change made under a chat's lock is
  // stored in Redis when the lock is released, in one step, or not at all (StateError).
  Application& application();

  // Joins chat `prefix`: the first process to come finds its state empty and runs `load`
  // (InitGlobal) while the others wait; later ones take the state as it is. Throws
  // StateError, or what `load` throws (the next process to come then loads it).
  void Join(std::string_view prefix, const std::function<void()>& load);

  // True when this process now holds the lease `name` of chat `prefix` for `length`: no other
  // process gets it until it expires. Meant for work that one process does for all at a time.
  bool TakeLease(std::string_view prefix, std::string_view name, std::chrono::milliseconds length);

  // Calls `changed`, from a thread of its own, soon after another process stores a change of
  // chat `prefix`, once this process's copy of the chat holds it: once for a burst of changes,
  // and once whenever the watch may have missed some (when it starts, and when Redis is back
  // after it was away). `changed` must not throw.
  std::unique_ptr<ChangeWatch> Watch(std::string_view prefix, std::function<void()> changed);

  // How long this process has held the lock of chat `prefix` in Redis, in all: the time in
  // which no other process could change the chat.
  std::chrono::nanoseconds LockHeld(std::string_view prefix) const;

  // The sessions of chat `prefix` of the kind `kind` ("visitor", "admin"), expiring after
  // `idle_seconds` without use.
  std::unique_ptr<SharedSessions> Sessions(std::string_view prefix, std::string_view kind,
                                           std::int64_t idle_seconds = 20 * 60);

 private:
  void WaitUntilLoaded(std::string_view prefix, const std::function<void()>& load);

  std::shared_ptr<state::RedisPool> pool_;
  std::unique_ptr<state::RedisApplication> application_;
};

}  // namespace ravochat
