// The keys of a chat's shared state, and the commands that write and read them.
#include "state/redis_layout.h"

#include <algorithm>
#include <exception>
#include <initializer_list>

#include "core/value_codec.h"
#include "ravochat/error.h"

namespace ravochat::state {
namespace {

// Records and rows per command when a whole list or grid is written.
constexpr std::size_t kBatch = 256;
// The meta field of the place the next appended record takes.
constexpr std::string_view kPlaceField = "place";

// The meta field of a list's text when it is not whole records; beside it, the field of the
// list's name says that the list was set.
std::string RawField(List list) { return std::string(NameOf(list)) + ":raw"; }

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

// A grid stands in the values hash as "G<rows>,<cols>", its rows in a hash of their own; any
// other value as value_codec encodes it.
std::string ShapeText(const Grid& grid) {
  return "G" + std::to_string(grid.rows) + "," + std::to_string(grid.cols);
}
bool IsShape(std::string_view text) { return text.starts_with('G'); }
Value EmptyGrid(const std::string& shape) {
  return Value::MakeGrid(static_cast<std::size_t>(NumberOf(shape.substr(1))),
                         static_cast<std::size_t>(NumberOf(shape.substr(shape.find(',') + 1))));
}

Value ValueOf(const ValueMap& values, const std::string& key) {
  auto it = values.find(key);
  return it == values.end() ? Value() : it->second;
}

// Appends one command, its argument count first, to the arguments of the store script.
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

}  // namespace

int Index(List list) { return list == List::kUsers ? 0 : 1; }
std::string_view NameOf(List list) { return list == List::kUsers ? "users" : "rooms"; }
List ListOf(std::string_view name) { return name == "users" ? List::kUsers : List::kRooms; }

std::int64_t NumberOf(std::string_view text) {
  try {
    return std::stoll(std::string(text));
  } catch (const std::exception&) {
    throw StateError("a damaged number in the shared chat state");
  }
}

std::string EncodeSeen(const Seen& seen) { return seen.at + "\n" + seen.sent; }

Seen DecodeSeen(std::string_view text) {
  const std::size_t end = text.find('\n');
  if (end == std::string_view::npos)
    throw StateError("a damaged visitor's time in the shared chat state");
  return {std::string(text.substr(0, end)), std::string(text.substr(end + 1))};
}

std::string EncodeRow(const Grid& grid, std::size_t row) {
  std::vector<Value> cells;
  for (std::size_t col = 0; col < grid.cols; ++col) cells.push_back(grid.Cell(row, col));
  return value_codec::EncodeValue(Value::Array(std::move(cells)));
}

void PutRow(Value& grid, std::string_view row, std::string_view text) {
  const Value decoded = value_codec::DecodeValue(text);
  const std::vector<Value>& cells = decoded.Elements();
  const auto place = static_cast<std::size_t>(NumberOf(row));
  for (std::size_t col = 0; col < cells.size(); ++col) grid.MutableAt(place, col) = cells[col];
}

std::vector<std::string> RedisLayout::LockKeys() const {
  return {LockKey(), VersionKey(), JournalKey(), NextTurnKey()};
}

std::string RedisLayout::WakeKey(std::string_view token) const {
  return NextTurnKey() + ":" + std::string(token);
}

StoredChat RedisLayout::Read(RedisLink& link) const {
  std::vector<RedisCommand> reads{{"HGETALL", MetaKey()}, {"HGETALL", ValuesKey()}};
  for (List list : {List::kUsers, List::kRooms}) {
    reads.push_back({"ZRANGE", OrderKey(list), "0", "-1"});
    reads.push_back({"HGETALL", RecordsKey(list)});
  }
  const std::vector<RedisReply> replies = link.Run(reads);
  const std::map<std::string, std::string> meta = PairsOf(replies[0]);
  StoredChat stored;
  const std::string place(kPlaceField);
  stored.next_place = meta.contains(place) ? NumberOf(meta.at(place)) : 0;
  for (List list : {List::kUsers, List::kRooms}) {
    StoredChat::StoredList& out = stored.lists[Index(list)];
    if (auto raw = meta.find(RawField(list)); raw != meta.end()) {
      out.raw = raw->second;
      continue;
    }
    out.set = meta.contains(std::string(NameOf(list)));
    if (!out.set) continue;
    const RedisReply& order = replies[2 + 2 * Index(list)];
    const std::map<std::string, std::string> records = PairsOf(replies[3 + 2 * Index(list)]);
    for (const RedisReply& listed : order.elements) {
      auto record = records.find(listed.text);
      if (record == records.end()) continue;
      out.records.emplace_back(listed.text, DecodeFields(record->second));
    }
  }
  stored.values = ReadValues(link, replies[1]);
  return stored;
}

ValueMap RedisLayout::ReadValues(RedisLink& link, const RedisReply& stored) const {
  ValueMap values;
  std::vector<std::string> grids;
  for (const auto& [name, text] : PairsOf(stored)) {
    if (IsShape(text)) {
      grids.push_back(name);
      values[name] = EmptyGrid(text);
    } else {
      values[name] = value_codec::DecodeValue(text);
    }
  }
  std::vector<RedisCommand> grid_reads;
  for (const std::string& name : grids) grid_reads.push_back({"HGETALL", GridKey(name)});
  const std::vector<RedisReply> rows =
      grids.empty() ? std::vector<RedisReply>{} : link.Run(grid_reads);
  for (std::size_t g = 0; g < grids.size(); ++g) {
    Value& grid = values[grids[g]];
    for (const auto& [row, text] : PairsOf(rows[g])) PutRow(grid, row, text);
  }
  return values;
}

std::vector<std::string> RedisLayout::Writes(const ChatState& chat, const Dirty& dirty,
                                             std::int64_t next_place,
                                             const ValueMap& values) const {
  std::vector<std::string> out;
  for (List list : {List::kUsers, List::kRooms}) {
    const int i = Index(list);
    if (dirty.rewritten[i]) WriteList(out, chat, list, dirty.first_place[i]);
    const std::string order = OrderKey(list);
    for (const std::string& record : dirty.records[i]) {
      WriteRecord(out, chat, list, record);
      auto appended = dirty.appended[i].find(record);
      if (appended != dirty.appended[i].end() && chat.Contains(list, record)) {
        Command(out, {"ZADD", order, std::to_string(appended->second), record});
      }
    }
    if (dirty.rewritten[i] || !dirty.records[i].empty()) {
      Command(out, {"HSET", MetaKey(), NameOf(list), "1"});
    }
  }
  if (next_place != dirty.place_before) {
    Command(out, {"HSET", MetaKey(), kPlaceField, std::to_string(next_place)});
  }
  for (const std::string& value : dirty.whole_values) {
    WriteValue(out, value, ValueOf(values, value));
  }
  for (const auto& [value, rows] : dirty.rows) {
    const Value grid = ValueOf(values, value);
    std::vector<std::pair<std::string, std::string>> changed;
    for (std::size_t row : rows)
      changed.emplace_back(std::to_string(row), EncodeRow(grid.GetGrid(), row));
    Batched(out, "HSET", GridKey(value), changed);
  }
  return out;
}

void RedisLayout::WriteList(std::vector<std::string>& out, const ChatState& chat, List list,
                            std::int64_t first_place) const {
  const std::string records = RecordsKey(list);
  const std::string order = OrderKey(list);
  Command(out, {"DEL", records, order});
  Command(out, {"HDEL", MetaKey(), RawField(list)});
  const std::string text = chat.Count(list) == 0 ? chat.Text(list) : "";
  if (!text.empty()) Command(out, {"HSET", MetaKey(), RawField(list), text});
  std::vector<std::pair<std::string, std::string>> fields, places;
  std::int64_t place = first_place;
  for (std::string& record : chat.Keys(list)) {
    fields.emplace_back(record, EncodeFields(*chat.Find(list, record)));
    places.emplace_back(std::to_string(place++), std::move(record));
  }
  Batched(out, "HSET", records, fields);
  Batched(out, "ZADD", order, places);
}

void RedisLayout::WriteRecord(std::vector<std::string>& out, const ChatState& chat, List list,
                              const std::string& key) const {
  if (std::optional<Fields> fields = chat.Find(list, key)) {
    Command(out, {"HSET", RecordsKey(list), key, EncodeFields(*fields)});
  } else {
    Command(out, {"HDEL", RecordsKey(list), key});
    Command(out, {"ZREM", OrderKey(list), key});
    if (list == List::kUsers) Command(out, {"HDEL", SeenKey(), key});
  }
}

void RedisLayout::WriteValue(std::vector<std::string>& out, const std::string& key,
                             const Value& value) const {
  const std::string grid_key = GridKey(key);
  Command(out, {"DEL", grid_key});
  if (value.kind() != Value::Kind::kGrid) {
    Command(out, {"HSET", ValuesKey(), key, value_codec::EncodeValue(value)});
    return;
  }
  const Grid& grid = value.GetGrid();
  Command(out, {"HSET", ValuesKey(), key, ShapeText(grid)});
  std::vector<std::pair<std::string, std::string>> rows;
  for (std::size_t row = 0; row < grid.rows; ++row) {
    rows.emplace_back(std::to_string(row), EncodeRow(grid, row));
  }
  Batched(out, "HSET", grid_key, rows);
}

std::string RedisLayout::LockKey() const { return SharedKey(prefix_, "lock"); }
std::string RedisLayout::VersionKey() const { return SharedKey(prefix_, "version"); }
std::string RedisLayout::JournalKey() const { return SharedKey(prefix_, "journal"); }
std::string RedisLayout::NextTurnKey() const { return SharedKey(prefix_, "next"); }
std::string RedisLayout::MetaKey() const { return SharedKey(prefix_, "meta"); }
std::string RedisLayout::ValuesKey() const { return SharedKey(prefix_, "values"); }
std::string RedisLayout::SeenKey() const { return SharedKey(prefix_, "seen"); }
std::string RedisLayout::SeenBatchesKey() const { return SharedKey(prefix_, "seen-batches"); }
std::string RedisLayout::RecordsKey(List list) const { return SharedKey(prefix_, NameOf(list)); }
std::string RedisLayout::OrderKey(List list) const {
  return SharedKey(prefix_, std::string(NameOf(list)) + ":order");
}
std::string RedisLayout::GridKey(std::string_view key) const {
  return SharedKey(prefix_, "grid:" + std::string(key));
}

}  // namespace ravochat::state
