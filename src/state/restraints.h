// What a chat remembers to keep its visitors in check: the recent events of a key (the lines
// of a visitor, the logins from an address) for the rate limits, with the strikes earned by
// going past a limit, and the session tokens of visitors sent away, whose next poll closes
// their window. Memory stays bounded: windows idle for an hour and surplus tokens are dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ravochat/value.h"
#include "state/state_journal.h"

namespace ravochat::state {

class Restraints {
 public:
  // Notes an event of `key` at `now` and forgets its events more than `seconds` old (and its
  // strikes, when none was left). Returns the events of the last `seconds`, this one included.
  std::size_t Note(const std::string& key, Date now, std::int64_t seconds);
  // The events of `key` in the last `seconds` before `now`, without noting one.
  std::size_t Count(const std::string& key, Date now, std::int64_t seconds) const;
  // Adds a strike to `key`; returns its strikes. They last while its events do.
  int Strike(const std::string& key);
  // Forgets the events and strikes of `key`.
  void Forget(const std::string& key);

  // Remembers that the visitor of session token `token` was sent away.
  void SendAway(const std::string& token);
  // True, once, when `token` was sent away.
  bool TakeSentAway(const std::string& token);

  // Hears every change the calls above make, as its kind and the fields of the call, so that
  // a state shared with other processes can make the same calls there (a TakeSentAway only
  // when it took one).
  using Recorder = std::function<void(Change, std::initializer_list<std::string_view>)>;
  void SetRecorder(Recorder recorder) { recorder_ = std::move(recorder); }

 private:
  struct Window {
    std::vector<Date> events;  // oldest first
    int strikes = 0;
  };
  void DropIdle(Date now);

  std::unordered_map<std::string, Window> windows_;
  std::unordered_set<std::string> sent_away_;
  std::size_t notes_since_sweep_ = 0;
  Recorder recorder_;
};

}  // namespace ravochat::state
