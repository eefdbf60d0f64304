#include "state/change_watch.h"

#include <utility>

#include "state/redis_application.h"

namespace ravochat {
namespace state {

RedisChangeWatch::RedisChangeWatch(const std::string& address, std::string channel,
                                   std::string own_token, std::function<void()> changed)
    : changed_(std::move(changed)),
      listener_(address, std::move(channel),
                {.listening = [this] { Due(); },
                 .heard =
                     [this, own = std::move(own_token)](std::string_view token) {
                       if (token != own) Due();
                     },
                 .lost = nullptr}),
      caller_([this] { Call(); }) {}

RedisChangeWatch::~RedisChangeWatch() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  caller_.join();
}

void RedisChangeWatch::Due() {
  {
    std::lock_guard lock(mutex_);
    due_ = true;
  }
  wake_.notify_all();
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
