// The chat's mutex and the guard that holds it for a scope.
#pragma once

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "state/thread_annotations.h"

namespace ravochat::state {

// What a sequence under a chat's mutex does with a chat state shared with other processes.
enum class Access {
  kChange,  // brings the copy up to date first and stores its changes at the end
  kRead,    // reads the copy as it is while it follows the others' changes, else as kChange;
            // it may change only what the state keeps out of its store (a visitor's own fields)
  kCopy,    // works on this process's copy alone: the shared state's own upkeep
};

// What a chat's mutex does besides keeping out the other threads of this process: the chat
// state shared with other processes takes in their changes when it is taken and stores its
// own when it is released.
class MutexHooks {
 public:
  virtual ~MutexHooks() = default;
  // Runs once the mutex is held for Access::kRead: true when the copy may be read as it is,
  // and then neither Acquired nor the release hooks run.
  virtual bool MayRead() = 0;
  // Runs once the mutex is held; when it throws, the mutex is released again.
  virtual void Acquired() = 0;
  // Runs before the mutex is released: `abandoned` when an exception leaves the guarded
  // scope, whose changes are then dropped. It may throw only when not abandoned.
  virtual void Releasing(bool abandoned) = 0;
  // Runs after the mutex was released, unless abandoned: waits until the scope's changes are
  // stored, and throws when they could not be.
  virtual void Released() = 0;
};

// The failure to store the changes of the last scope this thread left (null: none), which the
// end of a scope cannot throw; TakeStoreFailure and the thread's next Lock take it.
std::exception_ptr& UnstoredChanges();

// A mutex the analysis knows as a capability; a chat state shared with other processes hooks
// into taking and releasing it.
class CAPABILITY("mutex") Mutex {
 public:
  // Throws, before taking anything, a failure to store that this thread has not taken yet:
  // what follows a scope whose changes were lost must not run as if they were stored.
  void Lock(Access access = Access::kChange) ACQUIRE() {
    if (std::exception_ptr failure = std::exchange(UnstoredChanges(), nullptr)) {
      std::rethrow_exception(failure);
    }
    // A sequence waiting to change the chat is counted: the lock in Redis passes on to it.
    if (access == Access::kChange) waiting_.fetch_add(1, std::memory_order_relaxed);
    mutex_.lock();
    if (access == Access::kChange) waiting_.fetch_sub(1, std::memory_order_relaxed);
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    if (hooks_ == nullptr) return;
    local_ = access == Access::kCopy || (access == Access::kRead && hooks_->MayRead());
    if (local_) return;
    try {
      hooks_->Acquired();
    } catch (...) {
      Release();
      throw;
    }
  }
  void Unlock(bool abandoned = false) RELEASE() {
    if (hooks_ == nullptr || local_) return Release();
    try {
      hooks_->Releasing(abandoned);
    } catch (...) {
      Release();
      throw;
    }
    Release();
    if (!abandoned) hooks_->Released();
  }
  // True when the calling thread holds it.
  bool HeldHere() const {
    return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
  }
  // True when other threads wait for it to change the chat.
  bool Awaited() const { return waiting_.load(std::memory_order_relaxed) > 0; }
  // True, for its holder, when it was taken without the hooks it has: for this process's copy
  // alone.
  bool Local() const { return local_; }
  // Set once, before the mutex is first used.
  void SetHooks(MutexHooks* hooks) { hooks_ = hooks; }

 private:
  void Release() {
    owner_.store(std::thread::id(), std::memory_order_relaxed);
    mutex_.unlock();
  }

  std::mutex mutex_;
  std::atomic<std::thread::id> owner_;
  std::atomic<int> waiting_ = 0;
  bool local_ = false;  // written by the holder
  MutexHooks* hooks_ = nullptr;
};

// Holds a Mutex for the length of a scope. What the hooks throw on releasing it (a change the
// shared state could not store) is kept for UnstoredChanges' takers instead.
class SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& mutex, Access access = Access::kChange) ACQUIRE(mutex)
      : mutex_(mutex), exceptions_(std::uncaught_exceptions()) {
    mutex_.Lock(access);
  }
  ~MutexLock() RELEASE() {
    try {
      mutex_.Unlock(std::uncaught_exceptions() > exceptions_);
    } catch (...) {
      UnstoredChanges() = std::current_exception();
    }
  }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex& mutex_;
  const int exceptions_;
};

}  // namespace ravochat::state
