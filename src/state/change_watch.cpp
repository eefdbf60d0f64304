#include "state/change_watch.h"

#include <utility>

namespace ravochat::state {

RedisChangeWatch::RedisChangeWatch(const std::string& address, std::string channel,
                                   std::string own_token, std::function<void()> changed,
                                   std::function<void(bool)> listening)
    : changed_(std::move(changed)),
      listener_(address, std::move(channel),
                {.listening =
                     [this, listening] {
                       if (listening) listening(true);
                       Due();
                     },
                 .heard =
                     [this, own = std::move(own_token)](std::string_view token) {
                       if (token != own) Due();
                     },
                 .lost = listening ? [listening] { listening(false); } : std::function<void()>()}),
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

}  // namespace ravochat::state
