// The clock the component reads the present from: the server's local time in
// production, a settable one in tests. The database's now() reads the same clock.
#pragma once

#include <atomic>

#include "ravochat/value.h"

namespace ravochat {

class Clock {
 public:
  virtual ~Clock() = default;
  // The present local date and time, to the second.
  virtual Date Now() const = 0;
};

// The server's local clock.
class SystemClock : public Clock {
 public:
  Date Now() const override;
  // The process's one system clock.
  static const SystemClock& Instance();
};

// A clock that stands still until it is set or advanced; safe to use from many threads.
class ManualClock : public Clock {
 public:
  explicit ManualClock(Date start = {}) : now_(start.seconds) {}
  Date Now() const override { return Date{now_.load()}; }
  void Set(Date d) { now_ = d.seconds; }
  void Advance(std::int64_t seconds) { now_ += seconds; }

 private:
  std::atomic<std::int64_t> now_;
};

}  // namespace ravochat
