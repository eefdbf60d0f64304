// The shared chat state's mutations and values: each change is made to this copy and recorded
// in the journal and in what the end of the run writes to Redis.
#include "state/redis_chat_state.h"

#include <utility>

#include "core/strings.h"
#include "core/value_codec.h"
#include "ravochat/error.h"
#include "ravochat/random_token.h"

namespace ravochat::state {
namespace {

bool SameShape(const Value& a, const Value& b) {
  if (a.kind() != Value::Kind::kGrid || b.kind() != Value::Kind::kGrid) return false;
  return a.GetGrid().rows == b.GetGrid().rows && a.GetGrid().cols == b.GetGrid().cols;
}

}  // namespace

RedisChatState::RedisChatState(std::string address, std::string prefix)
    : layout_(std::move(prefix)),
      link_(address),
      token_(RandomToken()),
      batch_(std::make_shared<Batch>()),
      seen_link_(address),
      follow_link_(address) {
  mutex_.SetHooks(this);
  // The flood-control windows and the sent-away tokens travel with the other changes.
  restraints().SetRecorder([this](Change kind, std::initializer_list<std::string_view> fields) {
    RecordRestraint(kind, fields);
  });
  seen_storer_ = std::thread([this] { StoreSeen(); });
  follower_ = std::make_unique<RedisChangeWatch>(
      address, layout_.ChangesChannel(), token_,
      [this] {
        try {
          Follow();
        } catch (const StateError&) {
          // Redis is away: the watch calls again when it is back.
        }
        std::lock_guard lock(watchers_mutex_);
        for (const auto& [number, changed] : watchers_) changed();
      },
      [this](bool listening) { following_.store(listening); });
}

RedisChatState::~RedisChatState() {
  follower_.reset();
  {
    std::lock_guard lock(seen_.mutex);
    seen_.stopping = true;
  }
  seen_.wake.notify_all();
  seen_storer_.join();
}

namespace {

// A watch of WatchFollowed: its end removes its caller.
class FollowedWatch : public ChangeWatch {
 public:
  explicit FollowedWatch(std::function<void()> end) : end_(std::move(end)) {}
  ~FollowedWatch() override { end_(); }

 private:
  const std::function<void()> end_;
};

}  // namespace

std::unique_ptr<ChangeWatch> RedisChatState::WatchFollowed(std::function<void()> changed) {
  std::lock_guard lock(watchers_mutex_);
  const int number = next_watcher_++;
  watchers_.emplace(number, std::move(changed));
  return std::make_unique<FollowedWatch>([this, number] {
    std::lock_guard lock(watchers_mutex_);
    watchers_.erase(number);
  });
}

void RedisChatState::RequireStored() const {
  if (mutex_.Local()) {
    throw StateError("a change of the shared chat state in a sequence that only reads it");
  }
}

void RedisChatState::RecordRestraint(Change kind, std::initializer_list<std::string_view> fields) {
  if (replaying_) return;
  if (mutex_.Local()) {
    version_ = -1;  // the copy holds a change that is not stored
    RequireStored();
  }
  journal_.Add(kind, fields);
}

void RedisChatState::SetText(List list, std::string_view text) {
  RequireStored();
  MemoryChatState::SetText(list, text);
  const int i = Index(list);
  journal_.Add(Change::kListText, {NameOf(list), std::to_string(next_place_), text});
  dirty_.rewritten[i] = true;
  dirty_.first_place[i] = next_place_;
  dirty_.records[i].clear();
  dirty_.appended[i].clear();
  next_place_ += static_cast<std::int64_t>(Count(list));
}

void RedisChatState::SetField(List list, std::string_view key, std::size_t index,
                              std::string value) {
  RequireStored();
  MemoryChatState::SetField(list, key, index, value);
  journal_.Add(Change::kField, {NameOf(list), key, std::to_string(index), value});
  dirty_.records[Index(list)].emplace(key);
}

void RedisChatState::Append(List list, std::string key, Fields fields) {
  RequireStored();
  MemoryChatState::Append(list, key, fields);
  journal_.Add(Change::kAppend, {NameOf(list), key, std::to_string(next_place_)}, fields);
  dirty_.appended[Index(list)][key] = next_place_++;
  dirty_.records[Index(list)].insert(std::move(key));
}

bool RedisChatState::Remove(List list, std::string_view key) {
  RequireStored();
  if (!MemoryChatState::Remove(list, key)) return false;
  journal_.Add(Change::kRemove, {NameOf(list), key});
  dirty_.records[Index(list)].emplace(key);
  return true;
}

void RedisChatState::AddOccupant(std::string_view room, std::string_view name) {
  RequireStored();
  MemoryChatState::AddOccupant(room, name);
  journal_.Add(Change::kAddOccupant, {room, name});
  dirty_.records[Index(List::kRooms)].emplace(room);
}

void RedisChatState::RemoveOccupant(std::string_view room, std::string_view name) {
  RequireStored();
  MemoryChatState::RemoveOccupant(room, name);
  journal_.Add(Change::kRemoveOccupant, {room, name});
  dirty_.records[Index(List::kRooms)].emplace(room);
}

Value RedisChatState::GetValue(std::string_view key) const {
  std::shared_lock lock(values_mutex_);
  auto it = values_.find(key);
  return it == values_.end() ? Value() : it->second;
}

void RedisChatState::SetValue(std::string_view key, Value value) {
  if (mutex_.HeldHere()) return StoreValue(key, std::move(value));
  MutexLock lock(mutex_);
  StoreValue(key, std::move(value));
}

void RedisChatState::Keep(std::string_view key, Value value) {
  Value old;  // released after the lock
  std::unique_lock lock(values_mutex_);
  auto it = values_.find(key);
  if (it == values_.end()) {
    values_.emplace(std::string(key), std::move(value));
  } else {
    old = std::exchange(it->second, std::move(value));
  }
}

void RedisChatState::StoreValue(std::string_view key, Value value) {
  RequireStored();
  const std::string lower = strings::ToLowerAscii(key);
  const Value old = GetValue(key);
  if (SameShape(old, value) && !dirty_.whole_values.contains(lower)) {
    // The ring: only the rows that changed travel.
    const Grid& before = old.GetGrid();
    const Grid& after = value.GetGrid();
    for (const std::size_t row : before.DifferentRows(after)) {
      journal_.Add(Change::kGridRow, {lower, std::to_string(row), EncodeRow(after, row)});
      dirty_.rows[lower].insert(row);
    }
  } else {
    journal_.Add(Change::kValue, {lower, value_codec::EncodeValue(value)});
    dirty_.whole_values.insert(lower);
    dirty_.rows.erase(lower);
  }
  Keep(key, std::move(value));
}

}  // namespace ravochat::state
