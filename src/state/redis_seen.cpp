// The two fields of a visitor's record that only his own requests change: the time he was last
// seen and the number of the last line he was sent. Every poll changes them, so they are kept
// out of the journal and the chat's lock: each process notes them in its copy, and once a
// second stores those it noted in one command and takes in what the others stored; the readers
// that need them exact (the idle sweep, the moderators' list of visitors) take them in at once.
// Of two notes of one visitor, the one seen later, then the one sent further, is the newer; a
// note older than the record it meets, such as one of the visitor's last session stored after
// he logged in again, is dropped.
#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>
#include <vector>

#include "core/convert.h"
#include "core/records.h"
#include "ravochat/error.h"
#include "state/redis_chat_state.h"

namespace ravochat::state {
namespace {

constexpr std::chrono::seconds kStorePeriod(1);
// How many of the others' notes are taken in under the chat's mutex at once.
constexpr std::size_t kTakenInAtOnce = 256;
constexpr std::size_t kAll = std::numeric_limits<std::size_t>::max() / 2;

// The number `text` spells, or -1.
std::int64_t Sent(const std::string& text) {
  try {
    return NumberOf(text);
  } catch (const StateError&) {
    return -1;
  }
}

// True when `seen` is newer than the own fields of `record`.
bool Newer(const Seen& seen, const Fields& record) {
  Date at, record_at;
  const bool dated = convert::ParseDate(seen.at, at);
  const bool record_dated = convert::ParseDate(record[user_field::kLastSeen], record_at);
  if (dated != record_dated) return dated;
  if (dated && at != record_at) return at > record_at;
  return Sent(seen.sent) > Sent(record[user_field::kLastSayId]);
}

}  // namespace

void RedisChatState::NoteSeen(std::string_view name) {
  Seen seen{Field(List::kUsers, name, user_field::kLastSeen),
            Field(List::kUsers, name, user_field::kLastSayId)};
  std::lock_guard lock(seen_.mutex);
  seen_.pending.insert_or_assign(std::string(name), std::move(seen));
}

void RedisChatState::PutSeen(const std::string& name, const Seen& seen) {
  const std::optional<Fields> record = Find(List::kUsers, name);
  if (!record || record->size() <= std::max(user_field::kLastSeen, user_field::kLastSayId) ||
      !Newer(seen, *record)) {
    return;
  }
  MemoryChatState::SetField(List::kUsers, name, user_field::kLastSeen, seen.at);
  MemoryChatState::SetField(List::kUsers, name, user_field::kLastSayId, seen.sent);
}

void RedisChatState::PutStored(const RedisReply& stored, std::size_t from, std::size_t to) {
  for (std::size_t i = 2 * from; i < 2 * to && i + 1 < stored.elements.size(); i += 2) {
    PutSeen(stored.elements[i].text, DecodeSeen(stored.elements[i + 1].text));
  }
}

void RedisChatState::TakeInSeen() {
  PutStored(link_.Run({"HGETALL", layout_.SeenKey()}), 0, kAll);
  // What this process noted and has not stored yet.
  std::lock_guard lock(seen_.mutex);
  for (const auto& [name, seen] : seen_.pending) PutSeen(name, seen);
}

void RedisChatState::StoreSeen() {
  std::unique_lock lock(seen_.mutex);
  bool last = false;
  while (!last) {
    last = seen_.wake.wait_for(lock, kStorePeriod, [&] { return seen_.stopping; });
    std::unordered_map<std::string, Seen> batch = std::exchange(seen_.pending, {});
    lock.unlock();
    std::vector<RedisCommand> commands;
    if (!batch.empty()) {
      RedisCommand& store = commands.emplace_back(RedisCommand{"HSET", layout_.SeenKey()});
      for (const auto& [name, seen] : batch) {
        store.push_back(name);
        store.push_back(EncodeSeen(seen));
      }
    }
    // The others' notes, so that this copy lags them a second at most; a few at a time, not
    // to keep the requests waiting for the chat.
    if (!last) commands.push_back({"HGETALL", layout_.SeenKey()});
    try {
      const std::vector<RedisReply> replies = seen_link_.Run(commands);
      const std::size_t count = last ? 0 : replies.back().elements.size() / 2;
      for (std::size_t from = 0; from < count; from += kTakenInAtOnce) {
        MutexLock chat(mutex_, Access::kCopy);
        PutStored(replies.back(), from, from + kTakenInAtOnce);
      }
      lock.lock();
    } catch (const StateError&) {
      // Redis is away: stored with the next batch, unless noted again meanwhile.
      lock.lock();
      for (auto& [name, seen] : batch) seen_.pending.try_emplace(name, std::move(seen));
    }
  }
}

}  // namespace ravochat::state
