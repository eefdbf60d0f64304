// How a chat's shared state lies in Redis: which keys hold what, and how a record, a value and
// a grid row are written there and read back. Every key of a chat is named by one function of
// RedisLayout; the lock scripts receive theirs as KEYS.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ravochat/host.h"
#include "ravochat/value.h"
#include "state/chat_state.h"
#include "state/redis_link.h"
#include "state/shared_key.h"

namespace ravochat::state {

// A list's place in the arrays of Dirty and StoredChat: 0 for the users, 1 for the rooms.
int Index(List list);
// A list as keys, meta fields and journal entries name it: "users" or "rooms".
std::string_view NameOf(List list);
// The list NameOf gave `name`.
List ListOf(std::string_view name);

// The whole number `text` spells. Throws StateError when it spells none.
std::int64_t NumberOf(std::string_view text);
// Row `row` of `grid` as Redis and the journal carry it.
std::string EncodeRow(const Grid& grid, std::size_t row);
// Puts the row EncodeRow made, `text`, in place `row` (a number's text) of `grid`. Throws
// StateError for a damaged row or number.
void PutRow(Value& grid, std::string_view row, std::string_view text);

// Which records and values the changes not yet stored touched, to be written when they are.
struct Dirty {
  bool rewritten[2] = {false, false};    // by SetText
  std::int64_t first_place[2] = {0, 0};  // of the rewritten list's records
  std::int64_t place_before = 0;         // the next place when the batch's first sequence began
  std::set<std::string> records[2];
  std::map<std::string, std::int64_t> appended[2];  // key, its place in the order
  std::set<std::string> whole_values;
  std::map<std::string, std::set<std::size_t>> rows;  // grid rows changed in place
};

// A visitor's own fields as the hash of RedisLayout::SeenKey holds them, and back; Seen throws
// StateError for a damaged one.
struct Seen {
  std::string at;    // the time he was last seen
  std::string sent;  // the number of the last line he was sent
};
std::string EncodeSeen(const Seen& seen);
Seen DecodeSeen(std::string_view text);

// A chat's state as Redis holds it.
struct StoredChat {
  struct StoredList {
    std::optional<std::string> raw;  // a text that is not whole records, kept as it is
    bool set = false;                // false until the list is first set or changed
    std::vector<std::pair<std::string, Fields>> records;  // in list order
  };
  std::int64_t next_place = 0;  // the place the next appended record takes
  StoredList lists[2];
  ValueMap values;
};

class RedisLayout {
 public:
  // The keys of the chat of `prefix`, as SharedKey makes them.
  explicit RedisLayout(std::string prefix) : prefix_(std::move(prefix)) {}

  // The keys the lock scripts take: the lock, the version, the journal, the next turn's claim.
  std::vector<std::string> LockKeys() const;
  // The list through which the lock's holder wakes the process of `token` to its turn; the
  // scripts spell it as the next turn's claim, ":" and the token.
  std::string WakeKey(std::string_view token) const;

  // The channel on which each new version of the state is announced: the version's key.
  std::string ChangesChannel() const { return VersionKey(); }

  // Reads the whole state. Throws StateError.
  StoredChat Read(RedisLink& link) const;
  // A hash of the fields that only a visitor's own requests change (the time he was last seen,
  // the last line he was sent), by his name, as the processes last stored them; his record
  // holds them as they were when it was last written.
  std::string SeenKey() const;
  // A stream of the batches of those fields each process stored, for the others to take in.
  std::string SeenBatchesKey() const;
  // The commands that write what `dirty` names, each as its argument count and its arguments:
  // the records as `chat` holds them, the values as `values` holds them, and `next_place`.
  std::vector<std::string> Writes(const ChatState& chat, const Dirty& dirty,
                                  std::int64_t next_place, const ValueMap& values) const
      REQUIRES(chat.mutex());

 private:
  void WriteList(std::vector<std::string>& out, const ChatState& chat, List list,
                 std::int64_t first_place) const REQUIRES(chat.mutex());
  void WriteRecord(std::vector<std::string>& out, const ChatState& chat, List list,
                   const std::string& key) const REQUIRES(chat.mutex());
  void WriteValue(std::vector<std::string>& out, const std::string& key, const Value& value) const;
  ValueMap ReadValues(RedisLink& link, const RedisReply& stored) const;

  std::string LockKey() const;
  std::string VersionKey() const;
  std::string JournalKey() const;
  std::string NextTurnKey() const;
  // A hash of the places, whether each list was set and the lists that are not whole records.
  std::string MetaKey() const;
  // A hash of the values, a grid by its shape only.
  std::string ValuesKey() const;
  // A hash of the list's records by key, and a sorted set of the keys by their places.
  std::string RecordsKey(List list) const;
  std::string OrderKey(List list) const;
  // A hash of the rows of the grid of value `key`.
  std::string GridKey(std::string_view key) const;

  const std::string prefix_;
};

}  // namespace ravochat::state
