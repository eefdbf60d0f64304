// The says ring: appending a message (Newsay) and selecting the rows a visitor may see.
// Rows are written in order 1, 2, ..., M, 0, 1, ...; so a row never written (number 0)
// means that every row behind it in a backward walk is unwritten too.
#include "messages/says_ring.h"

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "core/convert.h"
#include "core/records.h"
#include "messages/visitor.h"
#include "ravochat/error.h"
#include "ravochat/lumochat.h"

namespace ravochat::messages {
namespace {

const Grid& Ring(const Value& says) {
  const Grid& ring = says.GetGrid();
  if (ring.rows == 0 || ring.cols < ring_field::kCount) {
    throw ConversionError("the says ring has " + std::to_string(ring.cols) +
                          " fields per row, not " + std::to_string(ring_field::kCount));
  }
  return ring;
}

bool TextEquals(const Value& v, std::string_view text) {
  std::string scratch;
  return TextOf(v, scratch) == text;
}

// The secret flag of a public line is 0; a flag that is no number marks a private line.
bool IsPublic(const Value& secret) {
  return convert::IsNumeric(secret) && convert::ToDouble(secret) == 0;
}

// The row's message number; 0 for a row never written.
double Number(const Value& says, std::size_t row) {
  return convert::ToDouble(says.At(row, ring_field::kNumber));
}

// Calls `visit(row)` for the rows of the messages newer than `sayid`, newest first: back from
// row `current` to row 0, then from the last row down to `current` + 1, each walk ending at the
// first row already received or never written. `visit` returns false to stop.
template <typename Visit>
void WalkNewRows(const Value& says, int current, double sayid, Visit visit) {
  const Grid& ring = Ring(says);
  if (ring.rows - 1 > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
    throw OverflowError("overflow: the says ring has " + std::to_string(ring.rows) +
                        " rows, more than 32768");
  }
  NumberAt(says, current);  // fails for a `current` that is no row, a negative one too
  const int last = static_cast<int>(ring.rows) - 1;
  auto walk = [&](int from, int to) {
    for (int row = from; row >= to; --row) {
      const double number = Number(says, static_cast<std::size_t>(row));
      if (number == 0 || number - sayid <= 0) return true;
      if (!visit(static_cast<std::size_t>(row))) return false;
    }
    return true;
  };
  if (walk(current, 0)) walk(last, current + 1);
}

void AppendRow(std::string& out, const Value& says, std::size_t row) {
  out += convert::ToText(says.At(row, ring_field::kNumber));
  out += ',';
  std::string scratch;
  out += TextOf(says.At(row, ring_field::kText), scratch);
}

}  // namespace

std::string RowText(std::string_view mess, std::string_view who, std::string_view to_who,
                    std::string_view secret, std::string_view c1, std::string_view c2,
                    std::string_view act, std::string_view time) {
  std::string text;
  text.reserve(mess.size() + who.size() + to_who.size() + c1.size() + c2.size() + 48);
  text.append("'").append(mess).append("','").append(who).append("','").append(to_who);
  text.append("',").append(secret).append(",'").append(c1).append("','").append(c2);
  text.append("',").append(act).append(",'").append(time).append("',");
  return text;
}

void AppendSay(Value& says, Value& current, SayRow row) {
  const Grid& ring = Ring(says);
  std::int32_t at = convert::ToInt32(current);
  const Value& newest = says.At(static_cast<std::size_t>(at), ring_field::kNumber);
  auto number = static_cast<std::int64_t>(convert::ToDouble(newest)) + 1;
  std::size_t next = static_cast<std::size_t>(at) + 1 >= ring.rows ? 0 : at + 1;
  // Everything that can fail is done; the row is written whole.
  says.MutableAt(next, ring_field::kNumber) = Value(number);
  says.MutableAt(next, ring_field::kFrom) = std::move(row.who);
  says.MutableAt(next, ring_field::kTo) = std::move(row.to_who);
  says.MutableAt(next, ring_field::kSecret) = std::move(row.secret);
  says.MutableAt(next, ring_field::kRoom) = std::move(row.room);
  says.MutableAt(next, ring_field::kText) = Value(std::move(row.text));
  current = Value(next);
}

int CurrentRow(const Value& current) { return convert::ToInt16(current); }

const Value& NumberAt(const Value& says, int current) {
  Ring(says);
  return says.At(static_cast<std::size_t>(current), ring_field::kNumber);
}

bool IsVisible(const Value& says, std::size_t row, const Reader& reader) {
  bool addressed = TextEquals(says.At(row, ring_field::kTo), reader.name) ||
                   TextEquals(says.At(row, ring_field::kFrom), reader.name) ||
                   IsPublic(says.At(row, ring_field::kSecret));
  if (!addressed) return false;
  double room = convert::ToDouble(says.At(row, ring_field::kRoom));
  return room < -1 || room == reader.room;
}

std::string NewSays(const Value& says, int current, int sayid, const Reader& reader) {
  std::vector<std::size_t> visible;  // newest first
  WalkNewRows(says, current, sayid, [&](std::size_t row) {
    if (IsVisible(says, row, reader)) visible.push_back(row);
    return true;
  });

  std::string out;
  for (auto it = visible.rbegin(); it != visible.rend(); ++it) AppendRow(out, says, *it);
  out += "''";
  return out;
}

std::optional<std::vector<std::int32_t>> RoomsAfter(const Value& says, int current,
                                                    std::int64_t sayid, std::size_t most) {
  std::vector<std::int32_t> rooms;
  bool known = true;
  WalkNewRows(says, current, static_cast<double>(sayid), [&](std::size_t row) {
    const std::int32_t room = convert::ToInt32(says.At(row, ring_field::kRoom));
    known = room >= -1 && rooms.size() < most;
    if (known) rooms.push_back(room);
    return known;
  });
  if (!known) return std::nullopt;
  return rooms;
}

bool LinesMissed(const Value& says, int current, int sayid) {
  const Grid& ring = Ring(says);
  NumberAt(says, current);
  std::size_t oldest = static_cast<std::size_t>(current) + 1 >= ring.rows ? 0 : current + 1;
  double number = Number(says, oldest);
  // An unwritten oldest row means the ring never wrapped: nothing was overwritten yet.
  return number != 0 && number - sayid > 1;
}

std::string MissedLinesRow(std::string_view name, std::string_view time) {
  return "-1," + RowText(std::string("【系统】").append(kMissedLinesText), "", name, "0", "990066",
                         "", "-2", time);
}

}  // namespace ravochat::messages

namespace ravochat {

void lumochat::Newsay(const Value& who, const Value& ToWho, const Value& secret,
                      const Value& room_id, const Value& mess, const Value& c1, const Value& c2,
                      const Value& act, Value& says, Value& current) {
  std::string text = messages::RowText(
      convert::ToText(mess), convert::ToText(who), convert::ToText(ToWho), convert::ToText(secret),
      convert::ToText(c1), convert::ToText(c2), convert::ToText(act), GetTimeStr());
  messages::AppendSay(says, current, {who, ToWho, secret, room_id, std::move(text)});
}

}  // namespace ravochat
