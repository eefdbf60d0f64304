// The two fields of a visitor's record that only his own requests change: the time he was last
// seen and the number of the last line he was sent. Every poll changes them, so they are kept
// out of the journal and the chat's lock: each process notes them in its copy, and once a
// second stores those it noted in the seen hash and, as one batch, in a stream that keeps the
// batches of the last seconds; it then takes in the batches the others added. The readers that
// need them exact (the idle sweep, the moderators' list of visitors) read the hash at once.
// Of two notes of one visitor, the one seen later, then the one sent further, is the newer; a
// note older than the record it meets, such as one of the visitor's last session stored after
// he logged in again, is dropped.
#include <algorithm>
#include <chrono>
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
// How long the stream keeps the batches stored, for the others to read.
constexpr std::chrono::milliseconds kBatchesKept(10'000);

// The number `text` spells, or -1.
std::int64_t Sent(const std::string& text) {
  try {
    return NumberOf(text);
  } catch (const StateError&) {
    return -1;
  }
}

// The notes of the field-value pairs of `pairs` from the pair `first` on.
std::vector<std::pair<std::string, Seen>> Notes(const RedisReply& pairs, std::size_t first) {
  std::vector<std::pair<std::string, Seen>> notes;
  for (std::size_t i = 2 * first; i + 1 < pairs.elements.size(); i += 2) {
    notes.emplace_back(pairs.elements[i].text, DecodeSeen(pairs.elements[i + 1].text));
  }
  return notes;
}

// True when `seen` is newer than the own fields `at` and `sent` of a record.
bool Newer(const Seen& seen, const std::string& at, const std::string& sent) {
  Date seen_at, record_at;
  const bool dated = convert::ParseDate(seen.at, seen_at);
  const bool record_dated = convert::ParseDate(at, record_at);
  if (dated != record_dated) return dated;
  if (dated && seen_at != record_at) return seen_at > record_at;
  return Sent(seen.sent) > Sent(sent);
}

// How many fields a record has at least when it has both own fields.
constexpr std::size_t kSeenFieldCount = std::max(user_field::kLastSeen, user_field::kLastSayId) + 1;

}  // namespace

void RedisChatState::SetSeen(std::string_view name, std::string at, std::string sent) {
  // A record that lacks a field fails before anything is noted.
  MemoryChatState::SetSeen(name, at, sent);
  std::lock_guard lock(seen_.mutex);
  seen_.pending.insert_or_assign(std::string(name), Seen{std::move(at), std::move(sent)});
}

void RedisChatState::PutSeen(const std::string& name, const Seen& seen) {
  if (FieldCount(List::kUsers, name) < kSeenFieldCount ||
      !Newer(seen, Field(List::kUsers, name, user_field::kLastSeen),
             Field(List::kUsers, name, user_field::kLastSayId))) {
    return;
  }
  MemoryChatState::SetSeen(name, seen.at, seen.sent);
}

void RedisChatState::TakeInSeen() {
  for (const auto& [name, seen] : Notes(link_.Run({"HGETALL", layout_.SeenKey()}), 0)) {
    PutSeen(name, seen);
  }
  // What this process noted and has not stored yet.
  std::lock_guard lock(seen_.mutex);
  for (const auto& [name, seen] : seen_.pending) PutSeen(name, seen);
}

void RedisChatState::StoreSeen() {
  // The others' batches are read from the stream after `read`; the whole hash when it may
  // have missed some: at the start, and after Redis was away.
  std::string read = "0";
  bool whole = true;
  std::unique_lock lock(seen_.mutex);
  bool last = false;
  while (!last) {
    last = seen_.wake.wait_for(lock, kStorePeriod, [&] { return seen_.stopping; });
    std::unordered_map<std::string, Seen> batch = std::exchange(seen_.pending, {});
    lock.unlock();
    std::vector<RedisCommand> commands;
    if (!batch.empty()) {
      const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::system_clock::now().time_since_epoch())
                                   .count();
      RedisCommand notes;
      for (const auto& [name, seen] : batch) {
        notes.push_back(name);
        notes.push_back(EncodeSeen(seen));
      }
      commands.push_back(RedisCommand{"HSET", layout_.SeenKey()});
      commands.back().insert(commands.back().end(), notes.begin(), notes.end());
      // The batch, for the others, named by this process's token under the empty name.
      commands.push_back(RedisCommand{"XADD", layout_.SeenBatchesKey(), "MINID", "~",
                                      std::to_string(now - kBatchesKept.count()), "*", "", token_});
      commands.back().insert(commands.back().end(), std::make_move_iterator(notes.begin()),
                             std::make_move_iterator(notes.end()));
    }
    if (!last) {
      if (whole) commands.push_back({"HGETALL", layout_.SeenKey()});
      commands.push_back({"XREAD", "STREAMS", layout_.SeenBatchesKey(), read});
    }
    try {
      const std::vector<RedisReply> replies = seen_link_.Run(commands);
      if (!last) {
        std::vector<std::pair<std::string, Seen>> notes;
        if (whole) notes = Notes(replies[replies.size() - 2], 0);
        whole = false;
        // XREAD: nil, or [[stream, [[id, [field, value, ...]], ...]]].
        const RedisReply& streams = replies.back();
        static const RedisReply kNone;
        const RedisReply& entries =
            streams.elements.empty() ? kNone : streams.elements.at(0).elements.at(1);
        for (const RedisReply& entry : entries.elements) {
          read = entry.elements.at(0).text;
          const RedisReply& fields = entry.elements.at(1);
          if (fields.elements.size() < 2 || fields.elements[1].text == token_) continue;
          std::vector<std::pair<std::string, Seen>> more = Notes(fields, 1);
          notes.insert(notes.end(), std::make_move_iterator(more.begin()),
                       std::make_move_iterator(more.end()));
        }
        // A few at a time, not to keep the requests waiting for the chat.
        for (std::size_t from = 0; from < notes.size(); from += kTakenInAtOnce) {
          MutexLock chat(mutex_, Access::kCopy);
          for (std::size_t i = from; i < std::min(notes.size(), from + kTakenInAtOnce); ++i) {
            PutSeen(notes[i].first, notes[i].second);
          }
        }
      }
      lock.lock();
    } catch (const StateError&) {
      // Redis is away: stored with the next batch, unless noted again meanwhile.
      whole = true;
      lock.lock();
      for (auto& [name, seen] : batch) seen_.pending.try_emplace(name, std::move(seen));
    }
  }
}

}  // namespace ravochat::state
