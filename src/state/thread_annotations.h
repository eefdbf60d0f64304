// Clang's thread-safety attributes, so that the compiler checks which code holds which
// lock (-Wthread-safety in the Clang build); other compilers read them as nothing.
#pragma once

#include <mutex>

#if defined(__clang__)
#define RAVOCHAT_TSA(x) __attribute__((x))
#else
#define RAVOCHAT_TSA(x)
#endif

#define CAPABILITY(x) RAVOCHAT_TSA(capability(x))
#define SCOPED_CAPABILITY RAVOCHAT_TSA(scoped_lockable)
#define GUARDED_BY(x) RAVOCHAT_TSA(guarded_by(x))
#define REQUIRES(...) RAVOCHAT_TSA(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) RAVOCHAT_TSA(acquire_capability(__VA_ARGS__))
#define RELEASE(...) RAVOCHAT_TSA(release_capability(__VA_ARGS__))
#define EXCLUDES(...) RAVOCHAT_TSA(locks_excluded(__VA_ARGS__))
#define RETURN_CAPABILITY(x) RAVOCHAT_TSA(lock_returned(x))

namespace ravochat::state {

// A plain mutex the analysis knows as a capability.
class CAPABILITY("mutex") Mutex {
 public:
  void Lock() ACQUIRE() { mutex_.lock(); }
  void Unlock() RELEASE() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

// Holds a Mutex for the length of a scope.
class SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.Lock(); }
  ~MutexLock() RELEASE() { mutex_.Unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex& mutex_;
};

}  // namespace ravochat::state
