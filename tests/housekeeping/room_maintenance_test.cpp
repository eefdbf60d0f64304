// RoomUpdate against a real temporary database: promotion, expiry, the report text, the
// management log rows and the stored room list, in preview and apply mode.
#include <gtest/gtest.h>

#include <string>

#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "ravochat/error.h"
#include "support/chat_fixture.h"

namespace ravochat {
namespace {

using testing::Backend;
using testing::ChatFixture;

constexpr char kNothingToDo[] = "根据系统参数，房间不需要作任何修改。";

// Promotion above 100; 60 minutes of idle time, 10 minutes less per day of age.
class RoomUpdateTest : public ::testing::TestWithParam<Backend> {
 protected:
  RoomUpdateTest() : chat("c1", testing::ReachableBackend(GetParam())) {
    chat.Params({"roomkeepexp=100", "roomtimeout=60", "roomexpperday=10"});
  }

  // A room of popularity `exp`, idle for `idle` minutes, built `age` minutes ago.
  void AddRoom(int id, const std::string& name, int exp, int idle, int age) {
    auto ago = [&](int minutes) {
      return convert::DateToText(Date{chat.clock.Now().seconds - minutes * 60LL});
    };
    chat.Room(id, name);
    chat.db.Exec("UPDATE room SET room_exp=?, room_time=?, build_time=? WHERE ID=?",
                 {exp, ago(idle), ago(age), id});
  }
  // Room 1 promotable, rooms 2 and 3 idle for two days and empty, room 4 idle but occupied.
  void InitMixedRooms() {
    AddRoom(1, "甲", 150, 0, 0);
    AddRoom(2, "乙", 0, 2880, 2880);
    AddRoom(3, "丙", 0, 2880, 2880);
    AddRoom(4, "丁", 0, 2880, 2880);
    chat.Init();
    chat.Enter("张三", 4);
  }
  std::string Update(const Value& umod) { return chat.Component()->RoomUpdate(chat.app, umod); }
  std::string RoomList() { return convert::ToText(chat.Get("_room_list")); }
  std::string RoomField(int room, std::size_t field) {
    return chat.Component()->GetListValue(RoomList(), room, field);
  }
  std::string Scalar(const std::string& sql) { return chat.db.Scalar(sql); }

  ChatFixture chat;
};

TEST_P(RoomUpdateTest, PreviewWritesNothingAndApplyPromotesRemovesEmptyRoomsAndLogsBoth) {
  InitMixedRooms();
  const std::string list_before = RoomList();
  EXPECT_EQ(Update(0), "过期房间：[乙,丙]<br><br>设为永久：[甲]");
  EXPECT_EQ(RoomList(), list_before);
  EXPECT_EQ(Scalar("SELECT count(*) FROM room WHERE room_keep=0"), "4");
  EXPECT_EQ(Scalar("SELECT count(*) FROM record"), "0");

  EXPECT_EQ(Update(1), "过期房间：[乙,丙]<br><br>设为永久：[甲]");
  EXPECT_EQ(chat.db.Joined("SELECT ID || ':' || room_keep FROM room ORDER BY ID"), "1:1,4:0");
  EXPECT_EQ(RoomField(1, room_field::kKeep), "1");
  EXPECT_FALSE(keyed_list::Contains(RoomList(), "2"));
  EXPECT_FALSE(keyed_list::Contains(RoomList(), "3"));
  EXPECT_EQ(RoomField(4, room_field::kOccupants), " 张三");
  EXPECT_EQ(Scalar("SELECT occ_time || occ_env FROM record WHERE stype=16"),
            "2026-12-06 12:00:00系统>系统> >[乙,丙]>自动> 由于人气不旺被系统自动清除！>清除房间%%");
  EXPECT_EQ(Scalar("SELECT occ_time || occ_env FROM record WHERE stype=17"),
            "2026-12-06 12:00:00系统>系统> >[甲]>自动> 由于人气值高而被系统自动修改！>"
            "设置房间%%为保留房间！");
}

// 101 is above the threshold and 100 is not; a promoted room is no longer removed.
TEST_P(RoomUpdateTest, PromotesAboveTheThresholdAndNeverRemovesAPromotedRoom) {
  AddRoom(1, "甲", 150, 9000, 9000);
  AddRoom(2, "乙", 101, 0, 0);
  AddRoom(3, "丙", 100, 0, 0);
  chat.Init();
  EXPECT_EQ(Update(0), "过期房间：[甲]<br><br>设为永久：[甲, 乙]");
  EXPECT_EQ(Update(1), "<br>设为永久：[甲, 乙]");
  EXPECT_EQ(chat.db.Joined("SELECT ID || ':' || room_keep FROM room ORDER BY ID"), "1:1,2:1,3:0");
}

// Built three days ago with popularity 20: 60 + 20 - 3 x 10 = 50 idle minutes allowed.
TEST_P(RoomUpdateTest, RoomExpiresOnlyAfterItsBudgetOfIdleMinutes) {
  AddRoom(1, "甲", 20, 50, 3 * 1440);
  chat.Init();
  EXPECT_EQ(Update(1), kNothingToDo);
  chat.clock.Advance(60);
  EXPECT_EQ(Update(1), "过期房间：[甲]<br>");
  EXPECT_EQ(Scalar("SELECT count(*) FROM room"), "0");
  EXPECT_EQ(RoomList(), "");
}

TEST_P(RoomUpdateTest, RoomsMissingFromTheListAreLeftAloneInBothRoutines) {
  chat.Init();
  AddRoom(1, "甲", 150, 0, 0);
  AddRoom(2, "乙", 0, 2880, 2880);
  EXPECT_EQ(Update(0), kNothingToDo);
  EXPECT_EQ(Update(1), kNothingToDo);
  EXPECT_EQ(chat.db.Joined("SELECT ID || ':' || room_keep FROM room ORDER BY ID"), "1:0,2:0");
  EXPECT_EQ(Scalar("SELECT count(*) FROM record"), "0");
}

// Every limit is checked before the promotion runs.
TEST_P(RoomUpdateTest, LimitThatIsNotANumberFailsBeforeAnyChange) {
  InitMixedRooms();
  for (const char* limit : {"_roomkeepexp", "_roomtimeout", "_roomexpperday"}) {
    const Value kept = chat.Get(limit);
    chat.Set(limit, limit == std::string("_roomkeepexp") ? Value("0 OR 1=1") : Value());
    EXPECT_THROW(Update(1), ConversionError) << limit;
    chat.Set(limit, kept);
  }
  EXPECT_EQ(Scalar("SELECT count(*) FROM room WHERE room_keep=0"), "4");
  EXPECT_EQ(Scalar("SELECT count(*) FROM record"), "0");
}

INSTANTIATE_TEST_SUITE_P(Db, RoomUpdateTest, testing::kBothBackends, testing::BackendName);

}  // namespace
}  // namespace ravochat
