// A chat's state shared through Redis by every process that serves the chat. Each process
// keeps a whole copy in memory (the lists of MemoryChatState and the chat's application
// values), so that reading costs no round trip. Taking the chat's mutex also takes the chat's
// lock in Redis (a key that expires) and applies the changes other processes stored since the
// copy was last brought up to date; releasing it stores the sequence's changes with one script
// that checks the lock is still held, writes the records and values that changed, keeps the
// changes for the other processes and lets the lock go. A sequence left by an exception, or
// whose changes could not be stored, leaves nothing in Redis; the copy is then read afresh.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <string>
#include <string_view>

#include "ravochat/host.h"
#include "state/chat_state.h"
#include "state/redis_link.h"
#include "state/shared_key.h"
#include "state/state_journal.h"

namespace ravochat::state {

// The outcome of storing the changes of several sequences at once.
class Batch {
 public:
  // `error` null: stored.
  void Finish(std::exception_ptr error);
  // Waits for Finish; rethrows its error.
  void Wait();

 private:
  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;
  std::exception_ptr error_;
};

class RedisChatState : public MemoryChatState, private MutexHooks {
 public:
  // Connects to the Redis server at `address`. Throws StateError.
  RedisChatState(std::string address, std::string prefix) NO_THREAD_SAFETY_ANALYSIS;

  void SetText(List list, std::string_view text) override REQUIRES(mutex_);
  void SetField(List list, std::string_view key, std::size_t index, std::string value) override
      REQUIRES(mutex_);
  void Append(List list, std::string key, Fields fields) override REQUIRES(mutex_);
  bool Remove(List list, std::string_view key) override REQUIRES(mutex_);
  void AddOccupant(std::string_view room, std::string_view name) override REQUIRES(mutex_);
  void RemoveOccupant(std::string_view room, std::string_view name) override REQUIRES(mutex_);

  // The chat's application value of `key` as this copy holds it; from any thread.
  Value GetValue(std::string_view key) const;
  // Stores a value, within the sequence of the calling thread when it holds the mutex, else
  // in a sequence of its own.
  void SetValue(std::string_view key, Value value) NO_THREAD_SAFETY_ANALYSIS;

 private:
  // Which records and values the open sequence changed, to be written when it ends.
  struct Dirty {
    bool rewritten[2] = {false, false};    // by SetText
    std::int64_t first_place[2] = {0, 0};  // of the rewritten list's records
    std::int64_t place_before = 0;         // the next place when the sequence began
    std::set<std::string> records[2];
    std::map<std::string, std::int64_t> appended[2];  // key, its place in the order
    std::set<std::string> whole_values;
    std::map<std::string, std::set<std::size_t>> rows;  // grid rows changed in place
  };

  void Acquired() override NO_THREAD_SAFETY_ANALYSIS;
  void Releasing(bool abandoned) override NO_THREAD_SAFETY_ANALYSIS;
  void Released() override;

  // Stores the batch's changes and lets the lock go or keeps it. Throws StateError.
  void Commit() REQUIRES(mutex_);

  void StoreValue(std::string_view key, Value value) REQUIRES(mutex_);
  // Puts `value` in this copy only.
  void Keep(std::string_view key, Value value);
  // Records a change of restraints(), which is only made under the chat's mutex.
  void RecordRestraint(Change kind,
                       std::initializer_list<std::string_view> fields) NO_THREAD_SAFETY_ANALYSIS;
  // Applies the changes of a journal entry to this copy, without recording them again.
  void Replay(const std::string& entry) REQUIRES(mutex_);
  void Apply(const JournalChange& change) REQUIRES(mutex_);
  // Reads the whole state from Redis.
  void Reload() REQUIRES(mutex_);
  // The commands that write what the open sequence changed.
  std::vector<std::string> Writes() REQUIRES(mutex_);
  void WriteRecord(std::vector<std::string>& out, List list, const std::string& key)
      REQUIRES(mutex_);
  void WriteValue(std::vector<std::string>& out, const std::string& key) REQUIRES(mutex_);
  // The keys of the lock scripts.
  std::vector<std::string> LockKeys() const;
  // Lets the Redis lock go without storing anything.
  void LetGo() REQUIRES(mutex_);

  const std::string prefix_;
  RedisLink link_ GUARDED_BY(mutex_);
  std::string token_ GUARDED_BY(mutex_);
  // The version of Redis's state this copy holds; -1 when it must be read afresh.
  std::int64_t version_ GUARDED_BY(mutex_) = -1;
  // Whether this process still holds the lock in Redis, passed on from the last sequence, and
  // how many sequences in a row it has served.
  bool held_ GUARDED_BY(mutex_) = false;
  int held_sequences_ GUARDED_BY(mutex_) = 0;
  // The place in the order that the next appended record takes.
  std::int64_t next_place_ GUARDED_BY(mutex_) = 0;
  // The changes of the sequences not yet stored: while other threads of this process wait for
  // the chat, the sequences that changed something wait, unlocked, for the last one of the run
  // to store all of them at once (kSequencesPerHold at most).
  JournalWriter journal_ GUARDED_BY(mutex_);
  Dirty dirty_ GUARDED_BY(mutex_);
  bool replaying_ GUARDED_BY(mutex_) = false;
  std::shared_ptr<Batch> batch_ GUARDED_BY(mutex_);
  // Where the open sequence's changes begin in journal_.
  std::size_t sequence_start_ GUARDED_BY(mutex_) = 0;

  // Written under the chat's mutex and this lock; read under either.
  mutable std::shared_mutex values_mutex_;
  ValueMap values_;
};

}  // namespace ravochat::state
