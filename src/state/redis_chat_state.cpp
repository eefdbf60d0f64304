// The shared chat state: the lock and change scripts, recording, replaying and writing changes.
#include "state/redis_chat_state.h"

#include <chrono>
#include <utility>

#include "core/strings.h"
#include "core/value_codec.h"
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
// Records and rows per command when a whole list or grid is written.
constexpr std::size_t kBatch = 256;

// Takes the lock (again, when a repeated call already took it) unless another process waiting
// for it has claimed the next turn. Answers nil when it is not taken, the caller then claiming
// the next turn when nobody has; else the state's version and either nothing (this copy is
// current), "reload", or the entries that bring the copy up to date.
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
local now = tonumber(redis.call('GET', KEYS[2]) or '0')
local mine = tonumber(ARGV[3])
if mine == now then return {now} end
if mine < 0 or mine > now or now - mine > tonumber(ARGV[4]) then return {now, 'reload'} end
local versions = {}
for v = mine + 1, now do versions[#versions + 1] = tostring(v) end
local out = {now}
for _, entry in ipairs(redis.call('HMGET', KEYS[3], unpack(versions))) do
  out[#out + 1] = entry
end
return out
)lua"};

// Stores a sequence's changes when the lock is still the caller's, then keeps the lock for the
// length given unless that is '' or another process claimed the next turn: then it lets the
// lock go and wakes that process. Answers 1 when the lock was kept.
// KEYS as kAcquire's. ARGV: the lock's token, the new version ('' when nothing changed), the
// change entry, the number of entries kept, the length to keep the lock, then each command as
// its argument count and its arguments.
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

int Index(List list) { return list == List::kUsers ? 0 : 1; }
std::string_view NameOf(List list) { return list == List::kUsers ? "users" : "rooms"; }
List ListOf(std::string_view name) { return name == "users" ? List::kUsers : List::kRooms; }

std::string EncodeFields(const Fields& fields) {
  std::vector<Value> texts(fields.begin(), fields.end());
  return value_codec::EncodeValue(Value::Array(std::move(texts)));
}

Fields DecodeFields(std::string_view text) {
  Fields fields;
  const Value decoded = value_codec::DecodeValue(text);
  for (const Value& field : decoded.Elements()) {
    fields.push_back(ValueText(field));
  }
  return fields;
}

std::string EncodeRow(const Grid& grid, std::size_t row) {
  std::vector<Value> cells;
  for (std::size_t col = 0; col < grid.cols; ++col) cells.push_back(grid.Cell(row, col));
  return value_codec::EncodeValue(Value::Array(std::move(cells)));
}

bool SameShape(const Value& a, const Value& b) {
  if (a.kind() != Value::Kind::kGrid || b.kind() != Value::Kind::kGrid) return false;
  return a.GetGrid().rows == b.GetGrid().rows && a.GetGrid().cols == b.GetGrid().cols;
}

bool SameRow(const Grid& a, const Grid& b, std::size_t row) {
  if (a.SharesRow(b, row)) return true;
  for (std::size_t col = 0; col < a.cols; ++col) {
    if (!(a.Cell(row, col) == b.Cell(row, col))) return false;
  }
  return true;
}

std::int64_t NumberOf(std::string_view text) {
  try {
    return std::stoll(std::string(text));
  } catch (const std::exception&) {
    throw StateError("a damaged number in the shared chat state");
  }
}

// Puts the row EncodeRow made, `text`, in place `row` (a number's text) of `grid`.
void PutRow(Value& grid, std::string_view row, std::string_view text) {
  const Value decoded = value_codec::DecodeValue(text);
  const std::vector<Value>& cells = decoded.Elements();
  const auto place = static_cast<std::size_t>(NumberOf(row));
  for (std::size_t col = 0; col < cells.size(); ++col) grid.MutableAt(place, col) = cells[col];
}

// Appends one command, its argument count first, to the arguments of kCommit.
void Command(std::vector<std::string>& out, std::initializer_list<std::string_view> args) {
  out.push_back(std::to_string(args.size()));
  out.insert(out.end(), args.begin(), args.end());
}

// Appends commands "verb key" followed by pairs, at most kBatch pairs each.
void Batched(std::vector<std::string>& out, std::string_view verb, const std::string& key,
             const std::vector<std::pair<std::string, std::string>>& pairs) {
  for (std::size_t start = 0; start < pairs.size(); start += kBatch) {
    const std::size_t end = std::min(pairs.size(), start + kBatch);
    out.push_back(std::to_string(2 + 2 * (end - start)));
    out.emplace_back(verb);
    out.push_back(key);
    for (std::size_t i = start; i < end; ++i) {
      out.push_back(pairs[i].first);
      out.push_back(pairs[i].second);
    }
  }
}

std::map<std::string, std::string> PairsOf(const RedisReply& reply) {
  std::map<std::string, std::string> pairs;
  for (std::size_t i = 0; i + 1 < reply.elements.size(); i += 2) {
    pairs.emplace(reply.elements[i].text, reply.elements[i + 1].text);
  }
  return pairs;
}

// The batch the calling thread's last sequence joined, to wait for once the chat is unlocked.
thread_local std::shared_ptr<Batch> awaited_batch;

}  // namespace

RedisChatState::RedisChatState(std::string address, std::string prefix)
    : prefix_(std::move(prefix)), link_(std::move(address)), batch_(std::make_shared<Batch>()) {
  mutex_.SetHooks(this);
  // The flood-control windows and the sent-away tokens travel with the other changes.
  restraints().SetRecorder([this](Change kind, std::initializer_list<std::string_view> fields) {
    RecordRestraint(kind, fields);
  });
}

void RedisChatState::RecordRestraint(Change kind, std::initializer_list<std::string_view> fields) {
  if (!replaying_) journal_.Add(kind, fields);
}

void RedisChatState::SetText(List list, std::string_view text) {
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
  MemoryChatState::SetField(list, key, index, value);
  journal_.Add(Change::kField, {NameOf(list), key, std::to_string(index), value});
  dirty_.records[Index(list)].emplace(key);
}

void RedisChatState::Append(List list, std::string key, Fields fields) {
  MemoryChatState::Append(list, key, fields);
  journal_.Add(Change::kAppend, {NameOf(list), key, std::to_string(next_place_)}, fields);
  dirty_.appended[Index(list)][key] = next_place_++;
  dirty_.records[Index(list)].insert(std::move(key));
}

bool RedisChatState::Remove(List list, std::string_view key) {
  if (!MemoryChatState::Remove(list, key)) return false;
  journal_.Add(Change::kRemove, {NameOf(list), key});
  dirty_.records[Index(list)].emplace(key);
  return true;
}

void RedisChatState::AddOccupant(std::string_view room, std::string_view name) {
  MemoryChatState::AddOccupant(room, name);
  journal_.Add(Change::kAddOccupant, {room, name});
  dirty_.records[Index(List::kRooms)].emplace(room);
}

void RedisChatState::RemoveOccupant(std::string_view room, std::string_view name) {
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
  const std::string lower = strings::ToLowerAscii(key);
  const Value old = GetValue(key);
  if (SameShape(old, value) && !dirty_.whole_values.contains(lower)) {
    // The ring: only the rows that changed travel.
    const Grid& before = old.GetGrid();
    const Grid& after = value.GetGrid();
    for (std::size_t row = 0; row < after.rows; ++row) {
      if (SameRow(before, after, row)) continue;
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

void RedisChatState::Replay(const std::string& entry) {
  replaying_ = true;
  try {
    for (JournalChange& change : ReadJournal(entry)) Apply(change);
  } catch (...) {
    replaying_ = false;
    throw;
  }
  replaying_ = false;
}

void RedisChatState::Apply(const JournalChange& change) {
  // The journal's reader made sure every change has the fields of its kind.
  const std::vector<std::string>& f = change.fields;
  switch (change.kind) {
    case Change::kListText:
      MemoryChatState::SetText(ListOf(f[0]), f[2]);
      next_place_ = NumberOf(f[1]) + static_cast<std::int64_t>(Count(ListOf(f[0])));
      break;
    case Change::kField:
      MemoryChatState::SetField(ListOf(f[0]), f[1], static_cast<std::size_t>(NumberOf(f[2])), f[3]);
      break;
    case Change::kAppend:
      next_place_ = std::max(next_place_, NumberOf(f[2]) + 1);
      MemoryChatState::Append(ListOf(f[0]), f[1], Fields(f.begin() + 3, f.end()));
      break;
    case Change::kRemove:
      MemoryChatState::Remove(ListOf(f[0]), f[1]);
      break;
    case Change::kAddOccupant:
      MemoryChatState::AddOccupant(f[0], f[1]);
      break;
    case Change::kRemoveOccupant:
      MemoryChatState::RemoveOccupant(f[0], f[1]);
      break;
    case Change::kValue:
      Keep(f[0], value_codec::DecodeValue(f[1]));
      break;
    case Change::kGridRow: {
      Value grid = GetValue(f[0]);
      PutRow(grid, f[1], f[2]);
      Keep(f[0], std::move(grid));
      break;
    }
    case Change::kNote:
      restraints().Note(f[0], Date{NumberOf(f[1])}, NumberOf(f[2]));
      break;
    case Change::kStrike:
      restraints().Strike(f[0]);
      break;
    case Change::kForget:
      restraints().Forget(f[0]);
      break;
    case Change::kSendAway:
      restraints().SendAway(f[0]);
      break;
    case Change::kTakeSentAway:
      restraints().TakeSentAway(f[0]);
      break;
  }
}

void RedisChatState::Reload() {
  const auto key = [&](std::string_view name) { return SharedKey(prefix_, name); };
  std::vector<RedisCommand> reads{{"HGETALL", key("meta")}, {"HGETALL", key("values")}};
  for (List list : {List::kUsers, List::kRooms}) {
    const std::string name(NameOf(list));
    reads.push_back({"ZRANGE", key(name + ":order"), "0", "-1"});
    reads.push_back({"HGETALL", key(name)});
  }
  const std::vector<RedisReply> replies = link_.Run(reads);
  const std::map<std::string, std::string> meta = PairsOf(replies[0]);
  Reset();
  next_place_ = meta.contains("place") ? NumberOf(meta.at("place")) : 0;
  for (List list : {List::kUsers, List::kRooms}) {
    const std::string name(NameOf(list));
    if (auto raw = meta.find(name + ":raw"); raw != meta.end()) {
      MemoryChatState::SetText(list, raw->second);
      continue;
    }
    if (!meta.contains(name)) continue;
    MemoryChatState::SetText(list, "");
    const RedisReply& order = replies[2 + 2 * Index(list)];
    const std::map<std::string, std::string> records = PairsOf(replies[3 + 2 * Index(list)]);
    for (const RedisReply& listed : order.elements) {
      auto record = records.find(listed.text);
      if (record == records.end()) continue;
      MemoryChatState::Append(list, listed.text, DecodeFields(record->second));
    }
  }
  ValueMap values;
  std::vector<std::string> grids;
  for (const auto& [name, text] : PairsOf(replies[1])) {
    if (text.starts_with('G')) {
      grids.push_back(name);
      values[name] =
          Value::MakeGrid(static_cast<std::size_t>(NumberOf(text.substr(1))),
                          static_cast<std::size_t>(NumberOf(text.substr(text.find(',') + 1))));
    } else {
      values[name] = value_codec::DecodeValue(text);
    }
  }
  std::vector<RedisCommand> grid_reads;
  for (const std::string& name : grids) grid_reads.push_back({"HGETALL", key("grid:" + name)});
  const std::vector<RedisReply> rows =
      grids.empty() ? std::vector<RedisReply>{} : link_.Run(grid_reads);
  for (std::size_t g = 0; g < grids.size(); ++g) {
    Value& grid = values[grids[g]];
    for (const auto& [row, text] : PairsOf(rows[g])) PutRow(grid, row, text);
  }
  std::unique_lock lock(values_mutex_);
  values_.swap(values);
}

void RedisChatState::Acquired() {
  sequence_start_ = journal_.text().size();
  if (journal_.empty()) dirty_.place_before = next_place_;
  if (held_) return;  // passed on by the last sequence of this process; the copy is current
  held_sequences_ = 0;
  if (token_.empty()) token_ = RandomToken();
  const std::vector<std::string> args{token_, std::to_string(kLockLength.count()),
                                      std::to_string(version_), std::to_string(kJournalLength),
                                      std::to_string(kTurnLength.count())};
  const auto deadline = std::chrono::steady_clock::now() + kLockWait;
  RedisReply reply = link_.Eval(kAcquire, LockKeys(), args);
  while (reply.kind == RedisReply::Kind::kNil) {
    if (std::chrono::steady_clock::now() > deadline) {
      throw StateError("the chat's state stayed locked by another process");
    }
    // Woken when the holder lets the lock go to this process's turn; a process whose turn
    // another has claimed looks again after a while.
    link_.Run({"BLPOP", SharedKey(prefix_, "next:" + token_), "0.05"});
    reply = link_.Eval(kAcquire, LockKeys(), args);
  }
  try {
    const std::int64_t now = reply.elements.at(0).integer;
    bool current = true;
    for (std::size_t i = 1; i < reply.elements.size() && current; ++i) {
      const RedisReply& entry = reply.elements[i];
      current = entry.kind == RedisReply::Kind::kText && entry.text != "reload";
      if (!current) break;
      try {
        Replay(entry.text);
      } catch (const Error&) {
        current = false;
      }
    }
    if (!current) Reload();
    version_ = now;
    dirty_.place_before = next_place_;
    held_ = true;
  } catch (...) {
    version_ = -1;
    LetGo();
    throw;
  }
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
  } catch (const StateError&) {
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
  std::vector<std::string> writes = Writes();
  args.insert(args.end(), std::make_move_iterator(writes.begin()),
              std::make_move_iterator(writes.end()));
  journal_.Clear();
  dirty_ = Dirty();
  held_ = false;
  try {
    const RedisReply kept = link_.Eval(kCommit, LockKeys(), args);
    ++version_;
    held_ = kept.integer == 1;
    held_sequences_ = 0;
  } catch (...) {
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

std::vector<std::string> RedisChatState::LockKeys() const {
  return {SharedKey(prefix_, "lock"), SharedKey(prefix_, "version"), SharedKey(prefix_, "journal"),
          SharedKey(prefix_, "next")};
}

void RedisChatState::LetGo() {
  held_ = false;
  link_.Eval(kCommit, LockKeys(), {token_, "", "", std::to_string(kJournalLength), ""});
}

std::vector<std::string> RedisChatState::Writes() {
  std::vector<std::string> out;
  const std::string meta = SharedKey(prefix_, "meta");
  for (List list : {List::kUsers, List::kRooms}) {
    const int i = Index(list);
    const std::string name(NameOf(list));
    const std::string records = SharedKey(prefix_, name);
    const std::string order = SharedKey(prefix_, name + ":order");
    if (dirty_.rewritten[i]) {
      Command(out, {"DEL", records, order});
      Command(out, {"HDEL", meta, name + ":raw"});
      const std::string text = Count(list) == 0 ? Text(list) : "";
      if (!text.empty()) Command(out, {"HSET", meta, name + ":raw", text});
      std::vector<std::pair<std::string, std::string>> fields, places;
      std::int64_t place = dirty_.first_place[i];
      for (std::string& record : Keys(list)) {
        fields.emplace_back(record, EncodeFields(*Find(list, record)));
        places.emplace_back(std::to_string(place++), std::move(record));
      }
      Batched(out, "HSET", records, fields);
      Batched(out, "ZADD", order, places);
    }
    for (const std::string& record : dirty_.records[i]) {
      WriteRecord(out, list, record);
      auto appended = dirty_.appended[i].find(record);
      if (appended != dirty_.appended[i].end() && Contains(list, record)) {
        Command(out, {"ZADD", order, std::to_string(appended->second), record});
      }
    }
    if (dirty_.rewritten[i] || !dirty_.records[i].empty()) Command(out, {"HSET", meta, name, "1"});
  }
  if (next_place_ != dirty_.place_before) {
    Command(out, {"HSET", meta, "place", std::to_string(next_place_)});
  }
  for (const std::string& value : dirty_.whole_values) WriteValue(out, value);
  for (const auto& [value, rows] : dirty_.rows) {
    const Value grid = GetValue(value);
    std::vector<std::pair<std::string, std::string>> changed;
    for (std::size_t row : rows)
      changed.emplace_back(std::to_string(row), EncodeRow(grid.GetGrid(), row));
    Batched(out, "HSET", SharedKey(prefix_, "grid:" + value), changed);
  }
  return out;
}

void RedisChatState::WriteRecord(std::vector<std::string>& out, List list, const std::string& key) {
  const std::string name(NameOf(list));
  if (std::optional<Fields> fields = Find(list, key)) {
    Command(out, {"HSET", SharedKey(prefix_, name), key, EncodeFields(*fields)});
  } else {
    Command(out, {"HDEL", SharedKey(prefix_, name), key});
    Command(out, {"ZREM", SharedKey(prefix_, name + ":order"), key});
  }
}

void RedisChatState::WriteValue(std::vector<std::string>& out, const std::string& key) {
  const Value value = GetValue(key);
  const std::string values = SharedKey(prefix_, "values");
  const std::string grid_key = SharedKey(prefix_, "grid:" + key);
  Command(out, {"DEL", grid_key});
  if (value.kind() != Value::Kind::kGrid) {
    Command(out, {"HSET", values, key, value_codec::EncodeValue(value)});
    return;
  }
  const Grid& grid = value.GetGrid();
  Command(out,
          {"HSET", values, key, "G" + std::to_string(grid.rows) + "," + std::to_string(grid.cols)});
  std::vector<std::pair<std::string, std::string>> rows;
  for (std::size_t row = 0; row < grid.rows; ++row) {
    rows.emplace_back(std::to_string(row), EncodeRow(grid, row));
  }
  Batched(out, "HSET", grid_key, rows);
}

}  // namespace ravochat::state
