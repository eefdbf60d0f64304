// Moving between rooms: the refusals in their order, the occupant lists, the notices in
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

class ChangeRoomTest : public ::testing::Test {
 protected:
  ChangeRoomTest() {
    chat.Param("maxtalk", "100");
    chat.Param("nosaytimeout", "30");
    chat.Param("dontsavevalue", "600");
    chat.Param("l_delroom", "5");
    chat.Param("enterroomshow", "进来了::#FF0000::#00FF00");
    chat.Param("exitroomshow", "离开了::#0000FF::#FFFF00");
    chat.Room(1, "大厅", "host");
    chat.Room(2, "茶室", "boss");
    chat.Room(3, "密室", "boss");
    chat.db.Exec("update room set door_open=0 where ID=3");
    chat.Room(4, "贵宾室", "vip");
    chat.db.Exec("update room set permit_level=3 where ID=4");
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
    return chat.Component()->GetListValue(chat.Get(app_key::kRoomList), Value(room), Value(field));
  }
  std::string UserField(const std::string& name, std::size_t field) {
    return chat.Component()->GetListValue(chat.Get(app_key::kUserList), Value(name), Value(field));
  }
  void SetRoomField(int room, std::size_t field, std::string_view value) {
    chat.Set(app_key::kRoomList,
             Value(chat.Component()->SetListValue(chat.Get(app_key::kRoomList), Value(room),
                                                  Value(field), Value(value), Value(0))));
  }
  std::string Poll(const std::string& name) {
    MemoryRequest request;
    return chat.Component()->refresh(chat.app, chat.SessionOf(name), request);
  }

  ChatFixture chat;
};

class ChangeRoomRefusalTest : public ChangeRoomTest {
 protected:
  ChangeRoomRefusalTest() {
    chat.Init();
    chat.Enter("amy", 1, 2);
  }
};

TEST_F(ChangeRoomRefusalTest, RefusesAVisitorWhoIsNotLoggedIn) {
  MemorySession stranger;
  EXPECT_EQ(Move(stranger, "2"), "你还没有登陆到聊天室!");
}

TEST_F(ChangeRoomRefusalTest, RefusesAMissingOrUnknownRoom) {
  EXPECT_EQ(Move("amy", ""), "你要去的房间并不存在!");
  EXPECT_EQ(Move("amy", "9"), "你要去的房间并不存在!");
  EXPECT_EQ(Move("amy", "02"), "你要去的房间并不存在!");
}

TEST_F(ChangeRoomRefusalTest, RefusesARoomTextThatOnlyMatchesAcrossRecordMarkers) {
  EXPECT_EQ(Move("amy", "2$>茶室"), "你要去的房间并不存在!");
  EXPECT_EQ(Move("amy", "1$><$2"), "你要去的房间并不存在!");
}

TEST_F(ChangeRoomRefusalTest, RefusesTheRoomTheVisitorIsIn) {
  EXPECT_EQ(Move("amy", " 1 "), "你已经在这个房间里了!");
}

TEST_F(ChangeRoomRefusalTest, RefusesTheRoomsRobotByName) {
  chat.Enter("robot", 1, 2);
  EXPECT_EQ(Move("robot", "2"), "你被拒绝进入<font color=#009900>茶室</font>！");
}

TEST_F(ChangeRoomRefusalTest, RefusesAClosedDoorWhileTheOwnerIsOnline) {
  chat.Enter("boss", 2, 1);
  EXPECT_EQ(Move("amy", "3"), "<font color=#009900>密室</font>的门被关上了，请呼叫房主开门吧！");
}

TEST_F(ChangeRoomRefusalTest, RefusesAVisitorBelowTheRoomsLevel) {
  EXPECT_EQ(Move("amy", "4"), "<font color=#009900>贵宾室</font>限制级别3以下的聊友进入！");
}

TEST_F(ChangeRoomRefusalTest, ChangesNothingWhenItRefuses) {
  const Value users = chat.Get(app_key::kUserList);
  const Value rooms = chat.Get(app_key::kRoomList);
  EXPECT_NE(Move("amy", "4"), "");
  EXPECT_EQ(chat.Get(app_key::kUserList), users);
  EXPECT_EQ(chat.Get(app_key::kRoomList), rooms);
  EXPECT_EQ(convert::ToText(chat.Get(app_key::kCurrent)), "0");
}

class ChangeRoomEntryTest : public ChangeRoomTest {
 protected:
  ChangeRoomEntryTest() { chat.Init(); }
};

TEST_F(ChangeRoomEntryTest, LetsAnyoneThroughAClosedDoorWhileTheOwnerIsAway) {
  chat.Enter("amy", 1, 1);
  EXPECT_EQ(Move("amy", "3"), "");
}

TEST_F(ChangeRoomEntryTest, LetsTheOwnerThroughHisClosedDoor) {
  chat.Enter("boss", 1, 1);
  EXPECT_EQ(Move("boss", "3"), "");
}

TEST_F(ChangeRoomEntryTest, LetsAVisitorAtTheDelRoomLevelPastEveryRestriction) {
  chat.Enter("boss", 2, 1);
  chat.Enter("robot", 1, 5);
  EXPECT_EQ(Move("robot", "3"), "");
  SetRoomField(4, room_field::kPermitLevel, "9");
  chat.Enter("amy", 1, 5);
  EXPECT_EQ(Move("amy", "4"), "");
}

TEST_F(ChangeRoomEntryTest, LetsAVisitorAtExactlyTheRoomsLevelIn) {
  chat.Enter("amy", 1, 3);
  EXPECT_EQ(Move("amy", "4"), "");
}

class ChangeRoomMoveTest : public ChangeRoomTest {
 protected:
  ChangeRoomMoveTest() { chat.Init(); }
};

TEST_F(ChangeRoomMoveTest, PutsTheVisitorIntoTheNewRoomsOccupantsAndOutOfTheOld) {
  chat.Enter("amy", 1);
  chat.Enter("bob", 1);
  chat.Enter("cat", 2);
  ASSERT_EQ(Move("amy", " 2 "), "");
  EXPECT_EQ(RoomField(2, room_field::kOccupants), "cat amy");
  EXPECT_EQ(RoomField(1, room_field::kOccupants), "bob");
  EXPECT_EQ(UserField("amy", user_field::kRoom), "2");
}

TEST_F(ChangeRoomMoveTest, IntoAnEmptyRoomLeavesABlankAndTheName) {
  chat.Enter("amy", 1);
  ASSERT_EQ(Move("amy", "2"), "");
  EXPECT_EQ(RoomField(2, room_field::kOccupants), " amy");
  EXPECT_EQ(RoomField(1, room_field::kOccupants), "");
}

// One pass of the removal: the second of two neighbouring copies shares its leading blank
// with the first match and stays; copies apart are both removed.
TEST_F(ChangeRoomMoveTest, LeavesOneOfTwoNeighbouringCopiesOfTheName) {
  chat.Enter("amy", 1);
  SetRoomField(1, room_field::kOccupants, "amy amy bob amy");
  ASSERT_EQ(Move("amy", "2"), "");
  EXPECT_EQ(RoomField(1, room_field::kOccupants), "amy bob");
}

TEST_F(ChangeRoomMoveTest, AnnouncesTheArrivalInTheNewRoomAndTheDepartureInTheOld) {
  chat.Enter("amy", 1);
  chat.Enter("dave", 1);
  chat.Enter("cat", 2);
  ASSERT_EQ(Move("amy", "2"), "");
  const std::string head =
      "<meta HTTP-EQUIV='Pragma' CONTENT='no-cache'><META content='text/html;charset=gb2312' "
      "http-equiv=content-type><meta http-equiv=refresh content='6;url=refresh.asp'><script>";
  const std::string arrival =
      "1,'进来了<\\script>parent.addl(\\'amy\\',0,\\'1010\\',\\'\\')</"
      "\\script>','amy','大厅',0,'#FF0000','#00FF00',-3,'12:00:00',";
  const std::string departure =
      "2,'离开了<\\script>parent.dell(\\'amy\\')</\\script>','amy','茶室',0,'#0000FF','#FFFF00',-3,"
      "'12:00:00',";
  const std::string tail = "parent.ref(2);parent.allusernum=3;</script>";
  EXPECT_EQ(Poll("cat"), head + "parent.addsay(" + arrival + "'');" + tail);
  EXPECT_EQ(Poll("dave"), head + "parent.addsay(" + departure + "'');" + tail);
  // The mover's polls now come from the new room.
  EXPECT_EQ(Poll("amy"), head + "parent.addsay(" + arrival + "'');" + tail);
}

TEST_F(ChangeRoomMoveTest, CountsMissingAnnouncementPartsAsEmptyTexts) {
  chat.Set(app_key::kEnterRoomShow, Value("进来了"));
  chat.Set(app_key::kExitRoomShow, Value(""));
  chat.Enter("amy", 1);
  ASSERT_EQ(Move("amy", "2"), "");
  const Value says = chat.Get(app_key::kSays);
  EXPECT_EQ(convert::ToText(says.At(1, ring_field::kText)),
            "'进来了<\\script>parent.addl(\\'amy\\',0,\\'1010\\',\\'\\')</"
            "\\script>','amy','大厅',0,'','',-3,'12:00:00',");
  EXPECT_EQ(convert::ToText(says.At(2, ring_field::kText)),
            "'<\\script>parent.dell(\\'amy\\')</\\script>','amy','茶室',0,'','',-3,'12:00:00',");
}

TEST_F(ChangeRoomMoveTest, LosesNoMoveWhenManyVisitorsMoveAtOnce) {
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
  std::string occupants = " " + RoomField(2, room_field::kOccupants) + " ";
  for (const std::string& name : names) {
    EXPECT_NE(occupants.find(" " + name + " "), std::string::npos) << name;
    EXPECT_EQ(UserField(name, user_field::kRoom), "2");
  }
  EXPECT_EQ(convert::ToText(chat.Get(app_key::kCurrent)), std::to_string(2 * kVisitors));
}

}  // namespace
}  // namespace ravochat
