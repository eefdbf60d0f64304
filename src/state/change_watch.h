// Watching a shared chat for changes stored by the other processes: one thread listens on the
// chat's announcements, another calls back, once for a burst of them.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "ravochat/shared_state.h"
#include "state/redis_listener.h"

namespace ravochat::state {

class RedisChangeWatch : public ChangeWatch {
 public:
  // Calls `changed` after each announcement on `channel` by a process other than the one of
  // `own_token`, and after listening (again), when announcements may have been missed. Calls
  // `listening`, when given, with true when it starts listening (before that call of `changed`)
  // and with false when it lost Redis; from the listening thread, and it must not throw.
  RedisChangeWatch(const std::string& address, std::string channel, std::string own_token,
                   std::function<void()> changed, std::function<void(bool)> listening = nullptr);
  ~RedisChangeWatch() override;

 private:
  void Call();
  void Due();

  const std::function<void()> changed_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool due_ = false;
  bool stopping_ = false;
  RedisListener listener_;
  std::thread caller_;  // joined by the destructor, before the listener stops
};

}  // namespace ravochat::state
