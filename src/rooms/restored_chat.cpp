// RestoreChat: a restart's snapshot put into a chat that was loaded from the database. The
// rooms, their settings and the configuration are the database's; the snapshot gives only
// what lives while the chat runs: the ring and counters, the visitors online and the occupants
// of the rooms that remain. Everything is worked out before the first change.
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "messages/ring_lines.h"
#include "messages/says_ring.h"
#include "ravochat/lumochat.h"
#include "ravochat/snapshot.h"
#include "rooms/announcement.h"
#include "state/chat_state.h"

namespace ravochat {
namespace {

using SavedRooms = std::map<std::string, std::vector<std::string>, std::less<>>;

// A visitor taken back into the first room because his own is gone.
struct Move {
  std::string name;
  std::string old_room_name;  // empty when the saved room list did not have his room either
  std::string arrival;        // the text of his arrival notice
};

struct Merge {
  std::string users;                                           // the saved user list
  std::vector<std::pair<std::string, std::string>> occupants;  // room ID, occupant field
  std::vector<Move> moves;
  std::vector<std::string> dropped;  // visitors with no room to go to
};

SavedRooms ReadRooms(std::string_view list) {
  SavedRooms rooms;
  for (keyed_list::Entry& entry : keyed_list::Records(list)) {
    rooms.emplace(std::move(entry.key), keyed_list::SplitFields(entry.body));
  }
  return rooms;
}

const std::string& SavedText(const ValueMap& values, std::string_view name) {
  static const std::string kNone;
  auto it = values.find(name);
  const std::string* text = it == values.end() ? nullptr : it->second.AsText();
  return text == nullptr ? kNone : *text;
}

// The occupants of every saved room that is still listed.
void PlanOccupants(const state::ChatState& chat, const SavedRooms& saved, Merge& merge)
    REQUIRES(chat.mutex()) {
  for (const auto& [id, fields] : saved) {
    if (!chat.Contains(state::List::kRooms, id)) continue;
    merge.occupants.emplace_back(id, keyed_list::FieldAt(fields, room_field::kOccupants, id));
  }
}

// The visitors whose room is no longer listed: moved, or dropped when there is no room.
void PlanMoves(const state::ChatState& chat, const SavedRooms& saved, const std::string& arrival,
               Merge& merge) REQUIRES(chat.mutex()) {
  const bool any_room = chat.Count(state::List::kRooms) > 0;
  for (const keyed_list::Entry& entry : keyed_list::Records(merge.users)) {
    const std::vector<std::string> fields = keyed_list::SplitFields(entry.body);
    const std::string& room = keyed_list::FieldAt(fields, user_field::kRoom, entry.key);
    if (chat.Contains(state::List::kRooms, room)) continue;
    if (!any_room) {
      merge.dropped.push_back(entry.key);
      continue;
    }
    auto old_room = saved.find(room);
    merge.moves.push_back({entry.key,
                           old_room == saved.end()
                               ? ""
                               : keyed_list::FieldAt(old_room->second, room_field::kName, room),
                           rooms::ArrivalText(arrival, entry.key, fields)});
  }
}

// Each moved visitor into the first room, announced there as an arrival from his old room.
void ApplyMoves(lumochat& component, Application& app, state::ChatState& chat,
                const std::vector<Move>& moves, const rooms::Announcement& enter)
    REQUIRES(chat.mutex()) {
  if (moves.empty()) return;
  const std::string first = chat.Keys(state::List::kRooms).front();
  std::vector<messages::RingLine> lines;
  for (const Move& move : moves) {
    chat.SetField(state::List::kUsers, move.name, user_field::kRoom, first);
    chat.AddOccupant(first, move.name);
    lines.push_back({.who = move.name,
                     .to_who = move.old_room_name,
                     .room = convert::ToInt32(Value(first)),
                     .text = move.arrival,
                     .color1 = enter.color1,
                     .color2 = enter.color2,
                     .act = messages::kNoticeAct});
  }
  messages::AppendLines(component, app, chat, lines);
}

// The ring, its index and the counters as saved.
void RestoreRunningValues(Application& app, std::string_view const_str, const ValueMap& values) {
  for (std::string_view name : app_key::kRunningValues) {
    if (auto it = values.find(name); it != values.end()) {
      app.Set(app_key::AppKey(const_str, name), it->second);
    }
  }
}

}  // namespace

RestoredChat RestoreChat(Application& app, std::string_view const_str, const ValueMap& values,
                         const Clock& clock) {
  lumochat component(clock);
  component.ConstStr = std::string(const_str);
  const rooms::Announcement enter =
      rooms::SplitAnnouncement(app_key::SettingText(app, const_str, app_key::kEnterRoomShow));
  state::ChatState& chat = app.Chat(const_str);
  state::MutexLock lock(chat.mutex());
  Merge merge;
  merge.users = SavedText(values, app_key::kUserList);
  const SavedRooms saved = ReadRooms(SavedText(values, app_key::kRoomList));
  PlanOccupants(chat, saved, merge);
  PlanMoves(chat, saved, enter.text, merge);

  RestoreRunningValues(app, const_str, values);
  chat.SetText(state::List::kUsers, merge.users);
  for (const std::string& name : merge.dropped) chat.Remove(state::List::kUsers, name);
  for (auto& [id, occupants] : merge.occupants) {
    chat.SetField(state::List::kRooms, id, room_field::kOccupants, std::move(occupants));
  }
  ApplyMoves(component, app, chat, merge.moves, enter);
  return {chat.Count(state::List::kUsers), merge.moves.size()};
}

}  // namespace ravochat
