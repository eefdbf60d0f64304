// A new chat database: CreateDatabase, the tables, and the default rows that make a chat
// work at once.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/strings.h"
#include "db/pool.h"
#include "ravochat/database.h"
#include "ravochat/error.h"
#include "support/temp_database.h"

namespace ravochat::db {
namespace {

using testing::TempDatabase;

class NewDatabase : public ::testing::Test {
 protected:
  std::string Param(std::string_view alias) {
    return temp_.Scalar("SELECT body FROM sysparam WHERE alias=?", {alias});
  }
  TempDatabase temp_{true};
};

TEST(CreateDatabase, MakesTheFileAndItsFolderWhereNoneIs) {
  TempDatabase scratch;  // its folder, removed at the end, holds the new one
  std::filesystem::path folder =
      std::filesystem::path(scratch.connstr().substr(7)).parent_path() / "data";
  std::string connstr = "sqlite:" + (folder / "chat.db").string();
  CreateDatabase(connstr);
  auto conn = Connection::Open(connstr, SystemClock::Instance());
  EXPECT_EQ(conn->Execute("SELECT count(*) AS n FROM room").Field("n"), Value(4));
  conn.reset();
  DropPool(connstr);
}

TEST(CreateDatabase, RefusesADatabaseThatHoldsTheTablesAndLeavesItAsItWas) {
  TempDatabase temp(true);
  EXPECT_THROW(CreateDatabase(temp.connstr()), DatabaseError);
  EXPECT_EQ(temp.Scalar("SELECT count(*) FROM room"), "4");
}

TEST(TempDatabase, WithoutDefaultsEveryTableIsEmpty) {
  TempDatabase temp;
  for (const char* table : {"sysparam", "room", "\"user\"", "vrecord", "ip_lock", "calls",
                            "guestbook", "friendrq", "record", "action", "autoact", "scrollad"}) {
    EXPECT_EQ(temp.Scalar(std::string("SELECT count(*) FROM ") + table), "0") << table;
  }
}

TEST_F(NewDatabase, HoldsASettingForEveryConfigurationKey) {
  namespace k = app_key;
  for (std::string_view key : {k::kMaxTalk,
                               k::kNoSayTimeout,
                               k::kDontSaveValue,
                               k::kMaxSaysLength,
                               k::kMinSaysLength,
                               k::kListRefTime,
                               k::kSaysFilterStr,
                               k::kEnableSaysFilter,
                               k::kTitleLength,
                               k::kLevelTitle,
                               k::kLevelTt,
                               k::kLevelAllHtml,
                               k::kLevelDelRoom,
                               k::kUserNameFilter,
                               k::kUserNameEnable,
                               k::kNameLength,
                               k::kMaxNameLength,
                               k::kMaxPeople,
                               k::kDisableProxy,
                               k::kDisableNewUser,
                               k::kNewUserNum,
                               k::kFaceColorStr,
                               k::kBackgroundColorStr,
                               k::kEnterChatShow,
                               k::kReenterShow,
                               k::kEnterRoomShow,
                               k::kExitRoomShow,
                               k::kCallTimeout,
                               k::kFriendTimeout,
                               k::kGbTimeout,
                               k::kManageLogTimeout,
                               k::kAutoClearGb,
                               k::kAutoClearManageLog,
                               k::kAutoClearUserName,
                               k::kUserNameOnceTimeout,
                               k::kUserNameTimeout,
                               k::kRoomAutoClear,
                               k::kRoomTimeout,
                               k::kRoomExpPerDay,
                               k::kRoomKeepExp,
                               k::kVisitor,
                               k::kHour24}) {
    std::string alias(key.substr(1));
    EXPECT_EQ(temp_.Scalar("SELECT count(*) FROM sysparam WHERE alias=?", {alias}), "1") << alias;
    EXPECT_NE(Param(alias), "") << alias;
  }
  EXPECT_EQ(temp_.Scalar("SELECT count(*) FROM sysparam WHERE alias='connstr'"), "0");
}

TEST_F(NewDatabase, NumericSettingsAreWholeNumbers) {
  for (const char* alias : {"maxtalk",
                            "nosaytimeout",
                            "dontsavevalue",
                            "maxsayslength",
                            "minsayslength",
                            "listreftime",
                            "titlelength",
                            "l_title",
                            "l_tt",
                            "l_allhtml",
                            "l_delroom",
                            "namelength",
                            "maxnamelength",
                            "maxpeople",
                            "newusernum",
                            "calltimeout",
                            "friendtimeout",
                            "gbtimeout",
                            "managelogtimeout",
                            "usernameoncetimeout",
                            "usernametimeout",
                            "roomtimeout",
                            "roomexpperday",
                            "roomkeepexp",
                            "visitor"}) {
    EXPECT_TRUE(convert::IsNumericText(Param(alias))) << alias;
  }
  EXPECT_EQ(Param("maxtalk"), "100");
  EXPECT_EQ(Param("nosaytimeout"), "30");
}

TEST_F(NewDatabase, TheHourlyHistogramHas25ItemsAllZero) {
  EXPECT_EQ(Param("hour24"), "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0");
}

TEST_F(NewDatabase, AnnouncementsHaveThreePartsAndTheEntryOnesASexTagPlace) {
  for (const char* alias : {"enterchatshow", "reentershow", "enterroomshow", "exitroomshow"}) {
    std::vector<std::string> parts = strings::Split(Param(alias), "::");
    ASSERT_EQ(parts.size(), 3u) << alias;
    EXPECT_NE(parts[0].find("##"), std::string::npos) << alias;
    EXPECT_EQ(parts[0].find_first_of("'\"\\"), std::string::npos) << alias;
  }
}

TEST_F(NewDatabase, ColourChoicesOfferAtLeastTwoFaceColoursAndOneBackground) {
  EXPECT_GE(strings::Split(Param("facecolorstr"), " ").size(), 2u);
  EXPECT_GE(strings::Split(Param("backgroudcolorstr"), " ").size(), 1u);
}

TEST_F(NewDatabase, EveryRoomIsKeptAndOpenWithAnOwnerAndARobot) {
  EXPECT_EQ(temp_.Scalar("SELECT room_name FROM room WHERE ID=1"), "大厅");
  EXPECT_EQ(temp_.Scalar("SELECT count(*) FROM room WHERE room_keep=1 AND door_open=1 AND "
                         "permit_level=0 AND room_owner<>'' AND room_auto<>'' AND "
                         "room_auto<>room_owner"),
            "4");
  EXPECT_EQ(temp_.Scalar("SELECT count(DISTINCT room_auto) FROM room"), "4");
}

TEST_F(NewDatabase, ADozenActionsHaveAllThreeTexts) {
  EXPECT_EQ(temp_.Scalar("SELECT count(*) FROM action WHERE toall<>'' AND toself<>'' AND "
                         "toother LIKE '%##%' AND toother LIKE '%\\%\\%%' ESCAPE '\\'"),
            "12");
}

TEST_F(NewDatabase, TheRobotSayingsAreNumberedFromZero) {
  EXPECT_EQ(temp_.Scalar("SELECT count(*) FROM autoact"), "12");
  EXPECT_EQ(temp_.Scalar("SELECT min(id) || '-' || max(id) FROM autoact"), "0-11");
}

TEST_F(NewDatabase, TwoNewsLinesHaveTitlesAndLinks) {
  EXPECT_EQ(temp_.Scalar("SELECT count(*) FROM scrollad WHERE ad_title<>'' AND ad_link<>''"), "2");
}

}  // namespace
}  // namespace ravochat::db
