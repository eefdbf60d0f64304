// The chat's lock in Redis, and the batching of the sequences of this process that it serves
// in a row into one store.
#include "state/redis_chat_state.h"

#include <chrono>
#include <utility>

#include "ravochat/error.h"
#include "ravochat/random_token.h"

namespace ravochat::state {
namespace {

using std::chrono::milliseconds;

// How long the chat's lock in Redis lasts when its holder neither stores nor lets go (a
// process that died), and how long a sequence waits for it at most.
constexpr milliseconds kLockLength(5000);
constexpr milliseconds kLockWait(2 * kLockLength);
// While other threads of the process wait for the chat, the lock passes on to them without a
// round trip, up to this many sequences in a row; then the other processes get their turn.
constexpr int kSequencesPerHold = 16;
// How long a waiting process's claim on the next turn lasts unless it looks again.
constexpr milliseconds kTurnLength(200);
// How many change entries Redis keeps for processes that fell behind; one further behind
// reads the whole state.
constexpr int kJournalLength = 1000;

// The end of a script that answers the state's version and either nothing (the copy of version
// `mine` is current), "reload", or the entries that bring the copy up to date. KEYS[2] and
// KEYS[3] are the version and the journal; `mine` and `kept` are Lua expressions of the copy's
// version and of the number of entries kept.
std::string EntriesSince(std::string_view mine, std::string_view kept) {
  return "local now = tonumber(redis.call('GET', KEYS[2]) or '0')\n"
         "local mine = tonumber(" +
         std::string(mine) + ")\n" + R"lua(
if mine == now then return {now} end
if mine < 0 or mine > now or now - mine > tonumber()lua" +
         std::string(kept) + R"lua() then
  return {now, 'reload'}
end
local versions = {}
for v = mine + 1, now do versions[#versions + 1] = tostring(v) end
local out = {now}
for _, entry in ipairs(redis.call('HMGET', KEYS[3], unpack(versions))) do
  out[#out + 1] = entry
end
return out
)lua";
}

// Takes the lock (again, when a repeated call already took it) unless another process waiting
// for it has claimed the next turn. Answers nil when it is not taken, the caller then claiming
// the next turn when nobody has; else as EntriesSince.
// KEYS: the lock, the version, the journal, the next turn's claim. ARGV: the token, the lock's
// length, this copy's version, the number of entries kept, the claim's length.
const RedisScript kAcquire{R"lua(
local next = redis.call('GET', KEYS[4])
local turn = not next or next == ARGV[1]
if not (turn and redis.call('SET', KEYS[1], ARGV[1], 'NX', 'PX', ARGV[2])) and
   redis.call('GET', KEYS[1]) ~= ARGV[1] then
  if turn then redis.call('SET', KEYS[4], ARGV[1], 'PX', ARGV[5]) end
  return false
end
if next == ARGV[1] then redis.call('DEL', KEYS[4]) end
)lua" + EntriesSince("ARGV[3]", "ARGV[4]")};

// The entries since a copy's version, as EntriesSince, without the lock: the journal and the
// version change together, in one script. KEYS as kAcquire's. ARGV: the copy's version, the
// number of entries kept.
const RedisScript kFollow{EntriesSince("ARGV[1]", "ARGV[2]")};

// Stores a sequence's changes when the lock is still the caller's, then keeps the lock for the
// length given unless that is '' or another process claimed the next turn: then it lets the
// lock go and wakes that process. Answers 1 when the lock was kept.
// KEYS as kAcquire's. ARGV: the lock's token, the new version ('' when nothing changed), the
// change entry, the number of entries kept, the length to keep the lock, then each command as
// its argument count and its arguments. A new version is announced, with the token of the
// process that stored it, on the channel named as the version's key.
const RedisScript kCommit{R"lua(
if redis.call('GET', KEYS[1]) ~= ARGV[1] then
  return redis.error_reply('the chat lock expired before the change was stored')
end
local i = 6
while i <= #ARGV do
  local n = tonumber(ARGV[i])
  redis.call(unpack(ARGV, i + 1, i + n))
  i = i + n + 1
end
if ARGV[2] ~= '' then
  redis.call('SET', KEYS[2], ARGV[2])
  redis.call('HSET', KEYS[3], ARGV[2], ARGV[3])
  redis.call('HDEL', KEYS[3], tostring(tonumber(ARGV[2]) - tonumber(ARGV[4])))
  redis.call('PUBLISH', KEYS[2], ARGV[1])
end
local next = redis.call('GET', KEYS[4])
if ARGV[5] ~= '' and not next then
  redis.call('PEXPIRE', KEYS[1], ARGV[5])
  return 1
end
redis.call('DEL', KEYS[1])
if next then
  local wake = KEYS[4] .. ':' .. next
  redis.call('RPUSH', wake, '1')
  redis.call('PEXPIRE', wake, 1000)
end
return 0
)lua"};

// The batch the calling thread's last sequence joined, to wait for once the chat is unlocked.
thread_local std::shared_ptr<Batch> awaited_batch;

}  // namespace

void RedisChatState::Acquired() {
  sequence_start_ = journal_.text().size();
  if (journal_.empty()) dirty_.place_before = next_place_;
  if (held_) return;  // passed on by the last sequence of this process; the copy is current
  held_sequences_ = 0;
  const std::vector<std::string> args{token_, std::to_string(kLockLength.count()),
                                      std::to_string(version_), std::to_string(kJournalLength),
                                      std::to_string(kTurnLength.count())};
  const auto deadline = std::chrono::steady_clock::now() + kLockWait;
  RedisReply reply = link_.Eval(kAcquire, layout_.LockKeys(), args);
  while (reply.kind == RedisReply::Kind::kNil) {
    if (std::chrono::steady_clock::now() > deadline) {
      throw StateError("the chat's state stayed locked by another process");
    }
    // Woken when the holder lets the lock go to this process's turn; a process whose turn
    // another has claimed looks again after a while.
    link_.Run({"BLPOP", layout_.WakeKey(token_), "0.05"});
    reply = link_.Eval(kAcquire, layout_.LockKeys(), args);
  }
  taken_ = std::chrono::steady_clock::now();
  try {
    if (!TakeIn(reply)) Reload();
    version_ = reply.elements.at(0).integer;
    dirty_.place_before = next_place_;
    held_ = true;
  } catch (...) {
    version_ = -1;
    LetGo();
    throw;
  }
}

bool RedisChatState::TakeIn(const RedisReply& entries) {
  for (std::size_t i = 1; i < entries.elements.size(); ++i) {
    const RedisReply& entry = entries.elements[i];
    if (entry.kind != RedisReply::Kind::kText || entry.text == "reload") return false;
    try {
      Replay(entry.text);
    } catch (const Error&) {
      return false;
    }
  }
  return true;
}

bool RedisChatState::MayRead() {
  // While this process holds the lock, no other changes the state.
  return version_ >= 0 && (held_ || following_.load());
}

void RedisChatState::Follow() {
  std::int64_t from = 0;
  {
    MutexLock lock(mutex_, Access::kCopy);
    if (version_ < 0 || held_) return;  // read afresh by the next change; or current
    from = version_;
  }
  const RedisReply entries = follow_link_.Eval(
      kFollow, layout_.LockKeys(), {std::to_string(from), std::to_string(kJournalLength)});
  MutexLock lock(mutex_, Access::kCopy);
  if (version_ != from || held_) return;  // brought up to date meanwhile
  if (!TakeIn(entries)) {
    // Half taken in, or too far behind: the next change reads it afresh.
    version_ = -1;
    return;
  }
  version_ = entries.elements.at(0).integer;
}

void RedisChatState::Releasing(bool abandoned) {
  const bool changed = journal_.text().size() != sequence_start_;
  if (abandoned && changed) {
    // Its half-done changes are mixed into the copy and the batch: nothing of them is stored,
    // and the copy is read afresh.
    batch_->Finish(std::make_exception_ptr(
        StateError("a change made at the same moment failed; nothing was stored")));
    batch_ = std::make_shared<Batch>();
    journal_.Clear();
    dirty_ = Dirty();
    version_ = -1;
    try {
      LetGo();
    } catch (const StateError&) {
      // An exception is already on its way; the lock expires by itself.
    }
    return;
  }
  if (!abandoned && mutex_.Awaited() && ++held_sequences_ < kSequencesPerHold) {
    if (changed) awaited_batch = batch_;
    return;  // the next thread of this process carries on under the same lock
  }
  const std::shared_ptr<Batch> batch = std::exchange(batch_, std::make_shared<Batch>());
  try {
    if (journal_.empty()) {
      LetGo();
    } else {
      Commit();
    }
    batch->Finish(nullptr);
  } catch (...) {
    // Whatever failed, the sequences waiting for the batch learn of it rather than wait on.
    batch->Finish(std::current_exception());
    if (!abandoned) throw;
  }
}

void RedisChatState::Released() {
  if (std::shared_ptr<Batch> batch = std::exchange(awaited_batch, nullptr)) batch->Wait();
}

void RedisChatState::Commit() {
  std::vector<std::string> args{token_, std::to_string(version_ + 1), journal_.text(),
                                std::to_string(kJournalLength),
                                mutex_.Awaited() ? std::to_string(kLockLength.count()) : ""};
  std::vector<std::string> writes = layout_.Writes(*this, dirty_, next_place_, values_);
  args.insert(args.end(), std::make_move_iterator(writes.begin()),
              std::make_move_iterator(writes.end()));
  journal_.Clear();
  dirty_ = Dirty();
  held_ = false;
  try {
    const RedisReply kept = link_.Eval(kCommit, layout_.LockKeys(), args);
    ++version_;
    held_ = kept.integer == 1;
    held_sequences_ = 0;
    if (!held_) CountHeld();
  } catch (...) {
    CountHeld();
    version_ = -1;  // the copy holds changes Redis does not
    throw;
  }
}

void Batch::Finish(std::exception_ptr error) {
  {
    std::lock_guard lock(mutex_);
    done_ = true;
    error_ = std::move(error);
  }
  finished_.notify_all();
}

void Batch::Wait() {
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [this] { return done_; });
  if (error_) std::rethrow_exception(error_);
}

void RedisChatState::LetGo() {
  held_ = false;
  CountHeld();
  link_.Eval(kCommit, layout_.LockKeys(), {token_, "", "", std::to_string(kJournalLength), ""});
}

void RedisChatState::CountHeld() {
  lock_held_.fetch_add(std::chrono::nanoseconds(std::chrono::steady_clock::now() - taken_).count(),
                       std::memory_order_relaxed);
}

}  // namespace ravochat::state
