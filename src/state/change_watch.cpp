#include "state/change_watch.h"

#include <chrono>
#include <utility>

#include "ravochat/error.h"
#include "state/redis_application.h"

namespace ravochat {
namespace state {

RedisChangeWatch::RedisChangeWatch(const std::string& address, std::string channel,
                                   std::string own_token, std::function<void()> changed)
    : link_(address),
      channel_(std::move(channel)),
      own_token_(std::move(own_token)),
      changed_(std::move(changed)),
      listener_([this] { Listen(); }),
      caller_([this] { Call(); }) {}

RedisChangeWatch::~RedisChangeWatch() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  link_.Interrupt();
  listener_.join();
  caller_.join();
}

void RedisChangeWatch::Due() {
  {
    std::lock_guard lock(mutex_);
    due_ = true;
  }
  wake_.notify_all();
}

void RedisChangeWatch::Listen() {
  while (true) {
    try {
      link_.Listen(
          channel_, [&] { Due(); },
          [&](std::string_view token) {
            if (token != own_token_) Due();
          });
      return;  // interrupted: stopping
    } catch (const StateError&) {
      // Redis is away: listened to again once it is back.
    }
    std::unique_lock lock(mutex_);
    if (wake_.wait_for(lock, std::chrono::milliseconds(100), [&] { return stopping_; })) return;
  }
}

void RedisChangeWatch::Call() {
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [&] { return due_ || stopping_; });
    if (stopping_) return;
    due_ = false;
    lock.unlock();
    changed_();
    lock.lock();
  }
}

}  // namespace state

std::unique_ptr<ChangeWatch> SharedState::Watch(std::string_view prefix,
                                                std::function<void()> changed) {
  const state::RedisChatState& chat = application_->ChatOf(prefix);
  return std::make_unique<state::RedisChangeWatch>(pool_->address(), chat.ChangesChannel(),
                                                   chat.token(), std::move(changed));
}

}  // namespace ravochat
