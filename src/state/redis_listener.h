// A thread that listens on one Redis channel for as long as its object lives, and listens
// again, every 100 ms until Redis is back, after the connection broke.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "state/redis_link.h"

namespace ravochat::state {

class RedisListener {
 public:
  // Made from the listening thread; none may throw.
  struct Calls {
    // Listening (again): what was announced meanwhile was missed.
    std::function<void()> listening;
    std::function<void(std::string_view message)> heard;
    // The connection broke; may be empty.
    std::function<void()> lost;
  };
  // Connects to `address` at once; throws StateError as RedisLink does.
  RedisListener(const std::string& address, std::string channel, Calls calls);
  // Stops listening; the calls made from here on have returned.
  ~RedisListener();
  RedisListener(const RedisListener&) = delete;
  RedisListener& operator=(const RedisListener&) = delete;

 private:
  void Run();

  RedisLink link_;
  const std::string channel_;
  const Calls calls_;
  std::mutex mutex_;
  std::condition_variable stop_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace ravochat::state
