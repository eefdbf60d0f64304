// A chat's state shared through Redis by every process that serves the chat. Each process
// keeps a whole copy in memory (the lists of MemoryChatState and the chat's application
// values), so that reading costs no round trip. Taking the chat's mutex for a change also takes
// the chat's lock in Redis, a key that expires, and brings the copy up to date
// (redis_chat_lock.cpp, redis_chat_replay.cpp); between changes, the copy follows the changes
// the others announce. Changes are recorded here as they are made; the run of sequences
// that made them is stored at its end by one script that checks the lock is still held,
// writes what changed (redis_layout.h), keeps the journal entry for the other processes and
// lets the lock go or keeps it.
//
// The states of the copy:
//   STALE      version_ is -1: the copy must be read afresh. So it starts.
//   CURRENT    version_ >= 0, held_ false: the copy is Redis's state at version_, which other
//              processes may have passed since.
//   OPEN       a thread holds the mutex and this process the lock (held_). Its changes go to
//              journal_ from sequence_start_ on; before that lie those of the run's finished
//              sequences, which wait to be stored with them.
//   PASSED     the mutex free, the lock still held_ for a thread of this process that was
//              waiting for the mutex; each finished sequence that changed something waits in
//              Released, unlocked, for batch_.
//   REPLAYING  within Acquired or Follow, replaying_ set while an entry's changes are applied,
//              so that the restraints do not record them again.
// What moves it:
//   STALE, CURRENT -> OPEN  Acquired takes the lock (kLockWait at most; when it is not taken,
//              the copy stays as it was), then replays the entries stored after version_, or reads
//              the whole state (Reload) when STALE, too far behind or an entry fails to replay. A
//              failure once the lock is taken lets it go and leaves the copy STALE.
//   PASSED -> OPEN          Acquired, with no round trip.
//   CURRENT -> CURRENT      Follow, when another process announced a change, takes in the
//              entries stored after version_ without the lock, under the mutex for the copy
//              alone (Access::kCopy); when one cannot be taken in, -> STALE.
//   OPEN -> PASSED          Releasing, not abandoned, while a thread waits for the mutex and
//              the run is shorter than kSequencesPerHold.
//   OPEN -> CURRENT         Releasing otherwise ends the run and finishes batch_: it lets the
//              lock go when journal_ is empty, else Commit stores the run as version_ + 1 and
//              keeps the lock (PASSED) when a thread waits and no other process claimed the
//              next turn.
//   OPEN -> STALE           The store script fails: batch_ fails with its error. Or a sequence
//              that changed something is abandoned: nothing of the run is stored, batch_
//              fails and the lock is let go.
//
// Sequences:
//   Access::kChange  goes through the states above.
//   Access::kRead    while CURRENT and following_ (the watch of the announcements listens), or
//              PASSED, holds the mutex only: it reads the copy as it is and may change the
//              visitors' own fields alone (RequireStored refuses any other change). Otherwise it
//              is a kChange sequence.
//   Access::kCopy    holds the mutex only, for this process's own upkeep of the copy.
//
// Invariants:
//   - journal_ holds changes only while held_; dirty_ names only the records and values that
//     journal_'s changes touched (a restraint's change is in journal_ alone).
//   - Outside Acquired and unless STALE, the copy's lists and values are Redis's at version_
//     with journal_'s changes applied. The restraints travel in the entries only: a copy read
//     afresh keeps its own.
//   - version_, unless -1, is the last version this process took in or stored. While held_,
//     it is Redis's version unless the lock expired (kLockLength after it was taken or last
//     kept); then the script that ends the run fails.
//   - After a failed store, what Redis holds is not certain: the script refuses before it
//     writes when the lock is not the caller's, but a reply lost on the way (the link sends
//     the script once more) can hide a store that happened.
//   - The two fields of a visitor's record that only his own requests change, the time he was
//     last seen and the number of the last line he was sent, are not journaled: each process
//     notes them in its copy and in seen_, and stores them in Redis once a second, when it
//     also takes in the others' (redis_seen.cpp). The copy holds those of this process's
//     visitors and what it last took in; TakeInSeen takes in, newer replacing older, all that
//     the others stored.
//   - GetValue takes no chat mutex: it sees the values of sequences not yet stored, and after
//     a failure the dropped ones, until the copy is read afresh.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "ravochat/host.h"
#include "state/change_watch.h"
#include "state/chat_state.h"
#include "state/redis_layout.h"
#include "state/redis_link.h"
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
  // Stores what is left of seen_ when Redis answers.
  ~RedisChatState() override;
  RedisChatState(const RedisChatState&) = delete;
  RedisChatState& operator=(const RedisChatState&) = delete;

  void SetText(List list, std::string_view text) override REQUIRES(mutex_);
  void SetField(List list, std::string_view key, std::size_t index, std::string value) override
      REQUIRES(mutex_);
  void Append(List list, std::string key, Fields fields) override REQUIRES(mutex_);
  bool Remove(List list, std::string_view key) override REQUIRES(mutex_);
  void AddOccupant(std::string_view room, std::string_view name) override REQUIRES(mutex_);
  void RemoveOccupant(std::string_view room, std::string_view name) override REQUIRES(mutex_);
  // Kept out of the journal, in any sequence (redis_seen.cpp); TakeInSeen reads the seen
  // hash, and throws StateError.
  void SetSeen(std::string_view name, std::string at, std::string sent) override REQUIRES(mutex_);
  void TakeInSeen() override REQUIRES(mutex_);

  // The chat's application value of `key` as this copy holds it; from any thread.
  Value GetValue(std::string_view key) const;
  // Stores a value, within the sequence of the calling thread when it holds the mutex, else
  // in a sequence of its own.
  void SetValue(std::string_view key, Value value) NO_THREAD_SAFETY_ANALYSIS;
  // Calls `changed`, from the thread that watches the others' announcements, each time this
  // copy has taken in what they announced, and after it listens again (when it may have
  // missed some), until the returned watch is destroyed. `changed` must not throw.
  std::unique_ptr<ChangeWatch> WatchFollowed(std::function<void()> changed);
  // How long this process has held the chat's lock in Redis, in all; from any thread.
  std::chrono::nanoseconds LockHeld() const {
    return std::chrono::nanoseconds(lock_held_.load(std::memory_order_relaxed));
  }

 private:
  // The lock and the batching of sequences (redis_chat_lock.cpp).
  // Takes in the changes the other processes stored since this copy's version, without the
  // chat's lock, so that a sequence of Access::kRead finds the copy current. Throws StateError.
  void Follow();
  bool MayRead() override NO_THREAD_SAFETY_ANALYSIS;
  void Acquired() override NO_THREAD_SAFETY_ANALYSIS;
  void Releasing(bool abandoned) override NO_THREAD_SAFETY_ANALYSIS;
  void Released() override;
  // Stores the batch's changes and lets the lock go or keeps it. Throws StateError.
  void Commit() REQUIRES(mutex_);
  // Lets the Redis lock go without storing anything.
  void LetGo() REQUIRES(mutex_);
  // Counts the time since the lock was taken as held; it is let go now.
  void CountHeld() REQUIRES(mutex_);

  // Replays the entries of a reply of EntriesSince, the first element being the version;
  // false when the copy must be read afresh instead.
  bool TakeIn(const RedisReply& entries) REQUIRES(mutex_);
  // Throws StateError in a sequence that holds the mutex for this copy alone, before a change
  // that must be stored is made.
  void RequireStored() const REQUIRES(mutex_);

  // The replay of other processes' changes (redis_chat_replay.cpp).
  // Applies the changes of a journal entry to this copy, without recording them again.
  void Replay(const std::string& entry) REQUIRES(mutex_);
  void Apply(const JournalChange& change) REQUIRES(mutex_);
  // Reads the whole state from Redis.
  void Reload() REQUIRES(mutex_);

  // The visitors' own fields (redis_seen.cpp).
  // Puts `seen` in the record of `name` when it is newer than the record's.
  void PutSeen(const std::string& name, const Seen& seen) REQUIRES(mutex_);
  // The thread that stores seen_ and takes in the others' notes once a second.
  void StoreSeen();

  // The values and the recording of changes (redis_chat_state.cpp).
  void StoreValue(std::string_view key, Value value) REQUIRES(mutex_);
  // Puts `value` in this copy only.
  void Keep(std::string_view key, Value value);
  // Records a change of restraints(), which is only made under the chat's mutex.
  void RecordRestraint(Change kind,
                       std::initializer_list<std::string_view> fields) NO_THREAD_SAFETY_ANALYSIS;

  const RedisLayout layout_;
  RedisLink link_ GUARDED_BY(mutex_);
  const std::string token_;  // this process's, in the lock and in its announcements
  // The version of Redis's state this copy holds; -1 when it must be read afresh.
  std::int64_t version_ GUARDED_BY(mutex_) = -1;
  // Whether this process still holds the lock in Redis, passed on from the last sequence, and
  // how many sequences in a row it has served.
  bool held_ GUARDED_BY(mutex_) = false;
  int held_sequences_ GUARDED_BY(mutex_) = 0;
  std::chrono::steady_clock::time_point taken_ GUARDED_BY(mutex_);
  std::atomic<std::int64_t> lock_held_ = 0;  // nanoseconds
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

  // The own fields noted since the last store, by visitor.
  struct SeenNotes {
    std::mutex mutex;
    std::condition_variable wake;  // ends the storing thread's wait when stopping
    bool stopping = false;
    std::unordered_map<std::string, Seen> pending;
  } seen_;
  RedisLink seen_link_;  // the storing thread's
  std::thread seen_storer_;

  // Whether the watch of the others' announcements listens; the copy follows them then.
  std::atomic<bool> following_ = false;
  // The callers of WatchFollowed by number; called under watchers_mutex_, so that a watch's
  // end waits for a call under way.
  std::mutex watchers_mutex_;
  std::map<int, std::function<void()>> watchers_;
  int next_watcher_ = 0;
  RedisLink follow_link_;                       // the watch's
  std::unique_ptr<RedisChangeWatch> follower_;  // made last
};

}  // namespace ravochat::state
