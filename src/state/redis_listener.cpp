#include "state/redis_listener.h"

#include <chrono>
#include <utility>

#include "ravochat/error.h"

namespace ravochat::state {

RedisListener::RedisListener(const std::string& address, std::string channel, Calls calls)
    : link_(address),
      channel_(std::move(channel)),
      calls_(std::move(calls)),
      thread_([this] { Run(); }) {}

RedisListener::~RedisListener() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_.notify_all();
  link_.Interrupt();
  thread_.join();
}

void RedisListener::Run() {
  while (true) {
    try {
      link_.Listen(channel_, calls_.listening, calls_.heard);
      return;  // interrupted: stopping
    } catch (const StateError&) {
      if (calls_.lost) calls_.lost();
    }
    std::unique_lock lock(mutex_);
    if (stop_.wait_for(lock, std::chrono::milliseconds(100), [&] { return stopping_; })) return;
  }
}

}  // namespace ravochat::state
