// Configuration loading: the sysparam rows into the application state with the values
// derived from them (preglobal_1), and the fresh lists of a starting chat: an empty says
// ring and user list, and the room list built from the room table (InitLists).
#include <algorithm>
#include <string>
#include <vector>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/room_record.h"
#include "core/strings.h"
#include "ravochat/error.h"
#include "ravochat/lumochat.h"
#include "state/chat_state.h"

namespace ravochat {
namespace {

// The news ticker shows at most this many lines.
constexpr std::size_t kMaxNotices = 6;
// Elements of "_votes".
constexpr std::size_t kVoteSlots = 10;

std::string TextOf(const db::Recordset& rs, std::string_view column) {
  return convert::ToText(rs.Field(column));
}

// Every row of sysparam under "_" + alias, in the order returned; a later row with the
// same alias overwrites an earlier one.
void StoreParameters(db::Connection& conn, Application& app, std::string_view prefix) {
  db::Recordset rs = conn.Execute("SELECT alias,body FROM sysparam");
  for (; !rs.Eof(); rs.MoveNext()) {
    app.Set(app_key::AppKey(prefix, "_" + TextOf(rs, "alias")), rs.Field("body"));
  }
}

Value NewVotes() {
  Value votes = Value::Array(kVoteSlots);
  votes.MutableElements()[0] = Value(0);
  return votes;
}

// The newest notices, at most six, as rows of (link, title) with blanks trimmed; the empty
// text when there are none.
Value LoadNotices(db::Connection& conn) {
  Value count = conn.Execute("SELECT count(*) as cs FROM scrollad").Field("cs");
  if (convert::ToDouble(count) == 0) return Value("");
  db::Recordset rs = conn.Execute("SELECT * FROM scrollad order by ID desc");
  std::vector<std::pair<std::string, std::string>> notices;
  std::size_t wanted = std::min(static_cast<std::size_t>(convert::ToDouble(count)), kMaxNotices);
  for (; notices.size() < wanted && !rs.Eof(); rs.MoveNext()) {
    notices.emplace_back(strings::Trim(TextOf(rs, "ad_link")),
                         strings::Trim(TextOf(rs, "ad_title")));
  }
  // Rows deleted between the two statements shorten the list rather than fail it.
  if (notices.empty()) return Value("");
  Value grid = Value::MakeGrid(notices.size(), 2);
  for (std::size_t i = 0; i < notices.size(); ++i) {
    grid.MutableAt(i, 0) = Value(notices[i].first);
    grid.MutableAt(i, 1) = Value(notices[i].second);
  }
  return grid;
}

// "_maxtalk" as the highest row index of the ring. Throws ConversionError for a value that
// is no whole number from 0 to 32767: the polling walks count rows in 16 bits, so a larger
// ring could never be read.
int HighestRingRow(const Value& maxtalk) {
  int highest = convert::ToInt16(maxtalk);
  if (highest < 0) {
    throw ConversionError("\"_maxtalk\" is " + convert::ToText(maxtalk) +
                          ", not a whole number from 0 to 32767");
  }
  return highest;
}

// Rows 0 to `highest`, six fields each, every message number 0.
Value NewRing(int highest) {
  const std::size_t rows = static_cast<std::size_t>(highest) + 1;
  Value ring = Value::MakeGrid(rows, ring_field::kCount);
  for (std::size_t row = 0; row < rows; ++row) ring.MutableAt(row, ring_field::kNumber) = Value(0);
  return ring;
}

std::string RoomRecord(const db::Recordset& rs) {
  return keyed_list::JoinRecord({"", keyed_list::JoinFields(RoomFields(rs)), ""}, TextOf(rs, "ID"));
}

std::string LoadRoomList(db::Connection& conn) {
  std::string list;
  db::Recordset rs = conn.Execute("SELECT * FROM room order by ID");
  for (; !rs.Eof(); rs.MoveNext()) list += RoomRecord(rs);
  return list;
}

}  // namespace

void lumochat::InitGlobal(Application& TheApplication) {
  preglobal_1(TheApplication);
  InitLists(TheApplication);
}

void lumochat::preglobal_1(Application& TheApplication) {
  db::Connection& conn = OpenConn(TheApplication);
  StoreParameters(conn, TheApplication, ConstStr);
  TheApplication.Set(Key(app_key::kInit), Value("true"));
  TheApplication.Set(Key(app_key::kAutosayCount),
                     conn.Execute("select count(*) as totalnum from autoact").Field("totalnum"));
  TheApplication.Set(Key(app_key::kVotes), NewVotes());
  TheApplication.Set(Key(app_key::kChatroomClock), Value(clock_.Now()));
  TheApplication.Set(Key(app_key::kChatOpenTime), Value(clock_.Now()));
  TheApplication.Set(Key(app_key::kBbss), LoadNotices(conn));
}

std::vector<std::string> RoomFields(const db::Recordset& rs) {
  namespace f = room_field;
  std::vector<std::string> fields(f::kCount + 1);  // the last element stands behind the last "$>"
  fields[f::kName] = TextOf(rs, "room_name");
  fields[f::kOwner] = TextOf(rs, "room_owner");
  fields[f::kRobot] = TextOf(rs, "room_auto");
  fields[f::kDescription] = TextOf(rs, "room_des");
  fields[f::kTop] = TextOf(rs, "room_top");
  fields[f::kTitle] = TextOf(rs, "room_title");
  fields[f::kKeep] = TextOf(rs, "room_keep");
  fields[f::kTime] = TextOf(rs, "room_time");
  fields[f::kTt] = TextOf(rs, "room_tt");
  fields[f::kHtml] = TextOf(rs, "room_html");
  fields[f::kExp] = TextOf(rs, "room_exp");
  fields[f::kBuildTime] = TextOf(rs, "build_time");
  fields[f::kPermitLevel] = TextOf(rs, "permit_level");
  fields[f::kDoorOpen] = TextOf(rs, "door_open");
  return fields;
}

void lumochat::InitLists(Application& TheApplication) {
  // Fails before any list is touched when "_maxtalk" is no whole number.
  Value ring = NewRing(HighestRingRow(TheApplication.Get(Key(app_key::kMaxTalk))));
  db::Connection& conn = OpenConn(TheApplication);
  const std::string rooms = LoadRoomList(conn);
  // Visitors arriving meanwhile wait, so nobody is listed in a chat whose lists are half
  // reset.
  state::ChatState& chat = TheApplication.Chat(ConstStr);
  state::MutexLock lock(chat.mutex());
  chat.SetText(state::List::kRooms, rooms);
  chat.SetText(state::List::kUsers, "");
  TheApplication.Set(Key(app_key::kSays), std::move(ring));
  TheApplication.Set(Key(app_key::kCurrent), Value(0));
}

void lumochat::OpenChat(Application& TheApplication, const std::string& connstr) {
  TheApplication.Set(Key(app_key::kConnStr), Value(connstr));
  InitGlobal(TheApplication);
  // A configuration row may name a connection string of its own; the given one wins.
  TheApplication.Set(Key(app_key::kConnStr), Value(connstr));
}

}  // namespace ravochat
