// The push channels of the chat windows: one long-lived event stream per window that writes
// what refresh.asp would give the moment a line is stored, instead of at the next poll.
// A channel waits parked in the HTTP library (no thread, no timer of its own); one heartbeat
// thread wakes them all every few seconds, and a stored line wakes those of its room.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "operations/log.h"
#include "ravochat/value.h"
#include "transport/http.h"

namespace ravochat::server {

struct Chat;
struct Services;
class Channel;

class Channels {
 public:
  // At most `limit` channels open at once (0: none); a heartbeat every `heartbeat`.
  Channels(Services& services, std::size_t limit, std::chrono::milliseconds heartbeat);
  // Ends every channel and stops the heartbeat.
  ~Channels();
  Channels(const Channels&) = delete;
  Channels& operator=(const Channels&) = delete;

  // A new channel of `chat` for the visitor of session `session_id`, starting after message
  // `sayid` (empty: after the last one his record holds); null when the limit is reached
  // (logged once each time it is reached).
  std::shared_ptr<HttpStream> Open(Chat& chat, std::string session_id, Value sayid);
  // Wakes the channels of `chat` whose visitors were, at their last poll, in a room that a line
  // stored since the last call went to (every channel of the chat for a line to every room).
  void NoticeLines(Chat& chat);
  // Ends every channel now.
  void CloseAll();
  // Wakes every channel with a heartbeat, as the heartbeat thread does.
  void Beat();

  std::size_t open() const;

 private:
  friend class Channel;
  // What the channels of one chat share: the newest number last noticed (guarded by
  // mutex_) and when it was noticed, in steady-clock nanoseconds.
  struct Mark {
    std::int64_t newest = 0;
    std::atomic<std::int64_t> noticed{0};
  };
  // A channel's connection is gone.
  void Forget(Channel* channel);
  // The heartbeat thread.
  void RunBeats();
  std::vector<std::shared_ptr<Channel>> Snapshot() const;

  Services& services_;
  const std::size_t limit_;
  const std::chrono::milliseconds heartbeat_;
  mutable std::mutex mutex_;
  // Guarded by mutex_: the open channels, each chat's newest number last noticed, whether
  // the reached limit was logged, and the end of the heartbeat.
  std::unordered_map<Channel*, std::shared_ptr<Channel>> open_;
  std::unordered_map<const Chat*, Mark> marks_;  // never erased: channels keep references
  bool limit_logged_ = false;
  bool stopping_ = false;
  std::condition_variable stop_;
  std::thread beat_;
};

}  // namespace ravochat::server
