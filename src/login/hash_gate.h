// The gate every password hash of this process passes: at most as many argon2id hashes run at
// once as the machine has cores, so a burst of logins queues for the processors instead of
// taking a hash's memory each without bound. A hash that finds no free slot within the gate's
// wait is not run; the login that wanted it is refused as server busy.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>

namespace ravochat::login {

class HashGate {
 public:
  // A gate of `slots` slots (at least 1) whose callers wait at most `wait` for one.
  HashGate(std::size_t slots, std::chrono::milliseconds wait);

  // The process's gate: one slot per core, a wait of 10 seconds.
  static HashGate& Process();

  // Runs `work` in a slot, waiting for one to free; returns false, without running `work`,
  // when none freed within the wait. Rethrows what `work` throws, its slot freed.
  bool Run(const std::function<void()>& work);

  std::size_t slots() const { return slots_; }
  // Changes the wait of later calls of Run.
  void SetWait(std::chrono::milliseconds wait);

 private:
  const std::size_t slots_;
  std::mutex mutex_;
  std::condition_variable freed_;
  std::size_t busy_ = 0;            // guarded by mutex_
  std::chrono::milliseconds wait_;  // guarded by mutex_
};

}  // namespace ravochat::login
