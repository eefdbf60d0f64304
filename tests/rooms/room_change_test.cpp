// Moving between rooms: the refusals, the room rules, the occupant lists, the notices in
// both rooms, and the visitor's record.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/records.h"
#include "ravochat/lumochat.h"
#include "support/chat_fixture.h"

namespace ravochat {
namespace {

using testing::ChatFixture;

// Room 3 has its door closed (owner boss), room 4 admits level 3 and up; level 5 may
// delete rooms.
class ChangeRoomTest : public ::testing::Test {
 protected:
  ChangeRoomTest() {
    chat.Params({"maxtalk=100", "l_delroom=5", "enterroomshow=进来了::#FF0000::#00FF00"});
    chat.Param("exitroomshow", "离开了");  // missing colour parts count as empty texts
    chat.Room(1, "大厅", "host");
    chat.Room(2, "茶室", "boss");
    chat.Room(3, "密室", "boss");
    chat.Room(4, "贵宾室", "vip");
    chat.db.Exec("update room set door_open=0 where ID=3");
    chat.db.Exec("update room set permit_level=3 where ID=4");
    chat.Init();
  }

  std::string Move(Session& session, std::string_view toroom) {
    MemoryRequest request;
    request.SetQuery("toroom", Value(toroom));
    return chat.Component()->ChangeRoom(chat.app, session, request);
  }
  std::string Move(const std::string& name, std::string_view toroom) {
    return Move(chat.SessionOf(name), toroom);
  }
  std::string RoomField(int room, std::size_t field) {
    return chat.ListField(app_key::kRoomList, room, field);
  }
  std::string Poll(const std::string& name) { return chat.Poll(chat.SessionOf(name)); }
  std::string RoomOf(const std::string& name) {
    return chat.ListField(app_key::kUserList, name, user_field::kRoom);
  }

  ChatFixture chat;
};

TEST_F(ChangeRoomTest, RefusesWithItsTextAndChangesNothing) {
  chat.Enter("amy", 1, 2);
  chat.Enter("robot", 1, 2);
  chat.Enter("boss", 2, 1);
  const Value users = chat.Get(app_key::kUserList);
  const Value rooms = chat.Get(app_key::kRoomList);
  MemorySession stranger;
  EXPECT_EQ(Move(stranger, "2"), "你还没有登陆到聊天室!");
  const struct {
    const char* mover;
    const char* toroom;
    const char* refusal;
  } kCases[] = {
      {"amy", "", "你要去的房间并不存在!"},
      {"amy", "9", "你要去的房间并不存在!"},
      {"amy", "02", "你要去的房间并不存在!"},
      // Texts that only match across the list's record markers name no room.
      {"amy", "2$>茶室", "你要去的房间并不存在!"},
      {"amy", "1$><$2", "你要去的房间并不存在!"},
      {"amy", " 1 ", "你已经在这个房间里了!"},
      {"robot", "2", "你被拒绝进入<font color=#009900>茶室</font>！"},
      {"amy", "3", "<font color=#009900>密室</font>的门被关上了，请呼叫房主开门吧！"},
      {"amy", "4", "<font color=#009900>贵宾室</font>限制级别3以下的聊友进入！"},
  };
  for (const auto& c : kCases) EXPECT_EQ(Move(c.mover, c.toroom), c.refusal) << c.toroom;
  EXPECT_EQ(chat.Get(app_key::kUserList), users);
  EXPECT_EQ(chat.Get(app_key::kRoomList), rooms);
  EXPECT_EQ(convert::ToText(chat.Get(app_key::kCurrent)), "0");
}

// A closed door stops nobody while its owner is away, and never the owner.
TEST_F(ChangeRoomTest, LetsInPastAClosedDoorAtTheRoomsLevelAndAtTheDelRoomLevelPastEveryRule) {
  chat.Enter("amy", 1, 3);
  EXPECT_EQ(Move("amy", "3"), "");
  EXPECT_EQ(Move("amy", "4"), "");
  chat.Enter("boss", 1);
  EXPECT_EQ(Move("boss", "3"), "");
  ASSERT_EQ(Move("boss", "2"), "");
  chat.Enter("robot", 1, 5);
  EXPECT_EQ(Move("robot", "3"), "");
  chat.SetListField(app_key::kRoomList, 4, room_field::kPermitLevel, "9");
  chat.Enter("cat", 1, 5);
  EXPECT_EQ(Move("cat", "4"), "");
}

TEST_F(ChangeRoomTest, MovesTheVisitorBetweenTheOccupantListsAndRecordsHisRoom) {
  chat.Enter("amy", 1);
  chat.Enter("bob", 1);
  chat.Enter("cat", 2);
  ASSERT_EQ(Move("amy", " 2 "), "");
  EXPECT_EQ(RoomField(2, room_field::kOccupants), "cat amy");
  EXPECT_EQ(RoomField(1, room_field::kOccupants), "bob");
  EXPECT_EQ(RoomOf("amy"), "2");
  // Into an empty room: a blank and the name; the last one out leaves the room empty.
  ASSERT_EQ(Move("bob", "3"), "");
  EXPECT_EQ(RoomField(3, room_field::kOccupants), " bob");
  EXPECT_EQ(RoomField(1, room_field::kOccupants), "");
}

// One pass of the removal: the second of two neighbouring copies shares its leading blank
// with the first match and stays; copies apart are both removed.
TEST_F(ChangeRoomTest, LeavesOneOfTwoNeighbouringCopiesOfTheName) {
  chat.Enter("amy", 1);
  chat.SetListField(app_key::kRoomList, 1, room_field::kOccupants, "amy amy bob amy");
  ASSERT_EQ(Move("amy", "2"), "");
  EXPECT_EQ(RoomField(1, room_field::kOccupants), "amy bob");
}

TEST_F(ChangeRoomTest, AnnouncesTheArrivalInTheNewRoomBeforeTheDepartureInTheOld) {
  chat.Enter("amy", 1);
  chat.Enter("dave", 1);
  chat.Enter("cat", 2);
  ASSERT_EQ(Move("amy", "2"), "");
  const std::string head =
      "<meta HTTP-EQUIV='Pragma' CONTENT='no-cache'><META content='text/html;charset=gb2312' "
      "http-equiv=content-type><meta http-equiv=refresh content='6;url=refresh.asp'><script>";
  const std::string tail = "'');parent.ref(2);parent.allusernum=3;</script>";
  const std::string arrival =
      head +
      "parent.addsay(1,'进来了<\\script>parent.addl(\\'amy\\',0,\\'1010\\',\\'\\')</"
      "\\script>','amy','大厅',0,'#FF0000','#00FF00',-3,'12:00:00'," +
      tail;
  EXPECT_EQ(Poll("cat"), arrival);
  EXPECT_EQ(Poll("dave"),
            head +
                "parent.addsay(2,'离开了<\\script>parent.dell(\\'amy\\')</\\script>','amy',"
                "'茶室',0,'','',-3,'12:00:00'," +
                tail);
  // The mover's polls now come from the new room.
  EXPECT_EQ(Poll("amy"), arrival);
}

TEST_F(ChangeRoomTest, LosesNoMoveWhenManyVisitorsMoveAtOnce) {
  constexpr int kVisitors = 24;
  std::vector<std::string> names;
  for (int i = 0; i < kVisitors; ++i) names.push_back("v" + std::to_string(i));
  for (const std::string& name : names) chat.Enter(name, 1);
  std::vector<std::thread> threads;
  for (const std::string& name : names) {
    threads.emplace_back([this, &name] { EXPECT_EQ(Move(name, "2"), ""); });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(RoomField(1, room_field::kOccupants), "");
  const std::string occupants = " " + RoomField(2, room_field::kOccupants) + " ";
  for (const std::string& name : names) {
    EXPECT_NE(occupants.find(" " + name + " "), std::string::npos) << name;
    EXPECT_EQ(RoomOf(name), "2");
  }
  EXPECT_EQ(convert::ToText(chat.Get(app_key::kCurrent)), std::to_string(2 * kVisitors));
}

}  // namespace
}  // namespace ravochat
