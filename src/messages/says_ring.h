// The says ring: the newest "_maxtalk" + 1 messages of every room, a grid of rows by the
// six ring_field columns, with "_current" the row of the newest one. Rows after "_current"
// hold older messages than rows 0 to "_current"; a row whose number is 0 was never written
// and carries no message, so it is never sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ravochat/value.h"

namespace ravochat::messages {

// Action codes of the rows the chat writes itself.
inline constexpr std::int32_t kNoticeAct = -3;  // entry, departure and room notices
inline constexpr std::int32_t kSystemAct = -5;  // private notices and room titles

// The parent.addsay values of one message, behind its number:
// RowText("hi", "a", "大家", "0", "000000", "", "0", "12:00:05")
//   == "'hi','a','大家',0,'000000','',0,'12:00:05',"
// Nothing is escaped: `mess` must already be safe inside a single-quoted script string.
std::string RowText(std::string_view mess, std::string_view who, std::string_view to_who,
                    std::string_view secret, std::string_view c1, std::string_view c2,
                    std::string_view act, std::string_view time);

// One message as a ring row holds it, apart from its number.
struct SayRow {
  Value who;
  Value to_who;
  Value secret;      // 0 for a public line
  Value room;        // below -1: every room
  std::string text;  // RowText of the message
};

// Writes `row` under the number after that of row `current` into the row after `current`
// (row 0 after the last row) and moves `current` there. Changes nothing when it throws:
// ConversionError when `says` is no grid or a number does not convert, ListKeyError when
// `current` is no row of the ring.
void AppendSay(Value& says, Value& current, SayRow row);

// The index of the newest row: "_current" as a 16-bit whole number, as the walks hold it.
// Throws ConversionError, OverflowError.
int CurrentRow(const Value& current);

// The message number of row `current` (field 0). Throws ConversionError when `says` is no
// grid, ListKeyError when `current` is no row.
const Value& NumberAt(const Value& says, int current);

// Whoever reads the ring: a visitor by name, in a room.
struct Reader {
  std::string_view name;
  std::int32_t room = 0;
};

// True when `reader` may see row `row`: the line is public, from him or to him (names
// compared exactly), and it belongs to his room or to every room (room below -1).
// Throws ConversionError for a room field that is no number.
bool IsVisible(const Value& says, std::size_t row, const Reader& reader);

// The parent.addsay argument list of the messages newer than `sayid` that `reader` may see:
// number, ",", row text for each, oldest first, closed by "''"; just "''" when there are
// none. Walks back from row `current` to row 0, then from the last row down to
// `current` + 1, each walk ending at the first row already received or never written, so
// the cost follows the number of new messages, not the ring size.
// Throws OverflowError for a ring of more than 32768 rows (row indices are 16-bit),
// ConversionError for a damaged row, ListKeyError when `current` is no row.
std::string NewSays(const Value& says, int current, int sayid, const Reader& reader);

// The rooms of the messages newer than `sayid` that the ring holds, newest first, walking as
// NewSays does; nothing when more than `most` are new or one of them went to every room
// (room below -1). Throws as NewSays.
std::optional<std::vector<std::int32_t>> RoomsAfter(const Value& says, int current,
                                                    std::int64_t sayid, std::size_t most);

// True when lines newer than `sayid` have left the ring unread: the ring has wrapped and
// its oldest line is numbered above `sayid` + 1. Throws ConversionError for a damaged
// ring, ListKeyError when `current` is no row.
bool LinesMissed(const Value& says, int current, int sayid);

// The argument-list entry of the system line that tells `name` that earlier lines were
// missed: number -1, then RowText of "【系统】" + kMissedLinesText at `time`.
std::string MissedLinesRow(std::string_view name, std::string_view time);
inline constexpr std::string_view kMissedLinesText = "消息太多，有些较早的发言没能送到。";

}  // namespace ravochat::messages
