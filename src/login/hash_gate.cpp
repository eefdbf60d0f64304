// The process's hash gate: a counted set of slots under a mutex, callers waiting on a condition
// variable until one frees or their wait is over.
#include "login/hash_gate.h"

#include <algorithm>
#include <thread>

namespace ravochat::login {
namespace {

constexpr std::chrono::seconds kProcessWait{10};

}  // namespace

HashGate::HashGate(std::size_t slots, std::chrono::milliseconds wait)
    : slots_(std::max<std::size_t>(slots, 1)), wait_(wait) {}

HashGate& HashGate::Process() {
  static HashGate gate(std::thread::hardware_concurrency(), kProcessWait);
  return gate;
}

bool HashGate::Run(const std::function<void()>& work) {
  {
    std::unique_lock lock(mutex_);
    if (!freed_.wait_for(lock, wait_, [this] { return busy_ < slots_; })) return false;
    ++busy_;
  }
  struct Release {
    HashGate* gate;
    ~Release() {
      {
        std::lock_guard lock(gate->mutex_);
        --gate->busy_;
      }
      gate->freed_.notify_one();
    }
  } release{this};
  work();
  return true;
}

void HashGate::SetWait(std::chrono::milliseconds wait) {
  std::lock_guard lock(mutex_);
  wait_ = wait;
}

}  // namespace ravochat::login
