// A long random sequence of logins, polls, posts, room changes and logouts through the
// component: after every step both lists' texts are whole lists of distinct records that
// read back to themselves, the user list holds exactly the visitors online, and every
// visitor is an occupant of his own room and of no other.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"
#include "login/login_chat.h"
#include "state/indexed_list.h"

namespace ravochat::testing {
namespace {

std::set<std::string> Occupants(const std::string& field) {
  std::set<std::string> names;
  for (const std::string& name : strings::Split(strings::Trim(field), " ")) {
    if (!name.empty()) names.insert(name);
  }
  return names;
}

void CheckLists(const std::string& users, const std::string& rooms,
                const std::set<std::string>& online, int step) {
  for (const std::string& text : {users, rooms}) {
    state::IndexedList list(room_field::kOccupants);
    list.SetText(text);
    ASSERT_EQ(list.Text(), text) << "step " << step;
    ASSERT_EQ(list.Count(), keyed_list::CountRecords(text)) << "step " << step;
  }
  std::map<std::string, std::string> room_of;
  for (const keyed_list::Entry& user : keyed_list::Records(users)) {
    room_of[user.key] = keyed_list::SplitFields(user.body).at(user_field::kRoom);
  }
  ASSERT_EQ(room_of.size(), online.size()) << "step " << step;
  for (const keyed_list::Entry& room : keyed_list::Records(rooms)) {
    for (const std::string& name :
         Occupants(keyed_list::SplitFields(room.body).at(room_field::kOccupants))) {
      ASSERT_TRUE(room_of.contains(name)) << name << " left but stays in room " << room.key;
      ASSERT_EQ(room_of[name], room.key) << name << " is listed in a room not his, step " << step;
    }
  }
}

TEST(RandomVisitors, ListsStayWholeAndAgreeAfterEveryStep) {
  LoginChat login;
  login.chat.Param("newusernum", "1000");
  login.Init();
  std::mt19937 rng(6122026);
  std::set<std::string> online;
  for (int step = 0; step < 1500; ++step) {
    const std::string name = "v" + std::to_string(rng() % 12);
    auto component = login.chat.Component();
    const bool in = online.contains(name);
    switch (rng() % 6) {
      case 0:
        login.chat.clock.Advance(1);
        ASSERT_EQ(login.Login(name, "pw", {.room = std::to_string(1 + rng() % 2)}), "");
        online.insert(name);
        break;
      case 1:
        if (!in) continue;
        login.chat.Poll(login.SessionOf(name));
        break;
      case 2: {
        if (!in) continue;
        MemoryRequest request;
        request.SetForm("says", Value("line " + std::to_string(step)));
        request.SetQuery("towho", Value(rng() % 2 ? "大家" : "v" + std::to_string(rng() % 12)));
        component->subsay(login.chat.app, login.SessionOf(name), request);
        break;
      }
      case 3: {
        if (!in) continue;
        MemoryRequest request;
        request.SetQuery("toroom", Value(std::to_string(1 + rng() % 2)));
        component->ChangeRoom(login.chat.app, login.SessionOf(name), request);
        break;
      }
      case 4:
        if (!in) continue;
        component->InitSayList(login.chat.app, login.SessionOf(name));
        break;
      default:
        if (!in) continue;
        component->LeaveChat(login.chat.app, login.SessionOf(name));
        online.erase(name);
    }
    CheckLists(login.Text("_user_list"), login.Text("_room_list"), online, step);
  }
}

}  // namespace
}  // namespace ravochat::testing
