// Entry into the chat: the user-list record, the room's occupants, the session, the
// announcement and the private notice, re-entry, and many visitors logging in at once.

#include <gtest/gtest.h>

#include <thread>

#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/strings.h"
#include "login/entry.h"
#include "login/login_chat.h"
#include "login/login_texts.h"

namespace ravochat::testing {
namespace {

class EntryTest : public ::testing::Test {
 protected:
  LoginChat login;

  std::string UserList() { return convert::ToText(login.chat.Get("_user_list")); }
  std::vector<std::string> Room(int id) {
    return keyed_list::SplitFields(
        keyed_list::SplitRecord(convert::ToText(login.chat.Get("_room_list")), convert::ToText(id))
            .body);
  }
  bool InRoom(int id, std::string_view name) {
    return (" " + Room(id)[12] + " ").find(" " + std::string(name) + " ") != std::string::npos;
  }
};

TEST_F(EntryTest, ANewUsersRecordIsTheLastOfTheListWithFifteenFields) {
  login.Init();
  login.chat.Enter("bob", 1);
  ASSERT_EQ(login.Login("ann", "pw", RoomForm("2")), "");
  const std::string list = UserList();
  const std::string expected =
      "<$ann$>12:00:00$>10.0.0.1$>0$>1$>2$>2026-12-06 12:00:00$>1010$>0$>1$>-10$>"
      "2026-12-06 12:00:00$>2026-12-06 12:00:00$>$>$>$><$ann$>";
  ASSERT_GE(list.size(), expected.size());
  EXPECT_EQ(list.substr(list.size() - expected.size()), expected);
  EXPECT_EQ(keyed_list::CountRecords(list), 2u);
}

TEST_F(EntryTest, TheSessionHoldsTheNameAndTheTokenOfTheRecord) {
  login.Init();
  login.chat.clock.Advance(3 * 60 + 7);
  ASSERT_EQ(login.Login("ann", "pw"), "");
  EXPECT_EQ(convert::ToText(login.session().Get("myname")), "ann");
  EXPECT_EQ(convert::ToText(login.session().Get("mytemp")), "12:03:07");
  EXPECT_EQ(login.chat.Component()->GetListValue(UserList(), "ann", 0), "12:03:07");
}

TEST_F(EntryTest, TheRoomListsTheNewcomerAndTheTimeOfHisEntry) {
  login.Init();
  login.chat.clock.Advance(60);
  ASSERT_EQ(login.Login("ann", "pw", RoomForm("2")), "");
  EXPECT_TRUE(InRoom(2, "ann"));
  EXPECT_FALSE(InRoom(1, "ann"));
  EXPECT_EQ(Room(2)[7], "2026-12-06 12:01:00");
}

TEST_F(EntryTest, ANameAlreadyInTheOccupantsIsNotAddedTwice) {
  login.Init();
  login.chat.Enter("ann", 1);
  login.chat.Set("_user_list", "");
  const std::string occupants = Room(1)[12];
  ASSERT_EQ(login.Login("ann", "pw"), "");
  EXPECT_EQ(Room(1)[12], occupants);
}

TEST_F(EntryTest, TheAnnouncementAndTheNoticeGoIntoTheRing) {
  login.Init();
  ASSERT_EQ(login.Login("ann", "pw"), "");
  EXPECT_EQ(login.Ring(1, 0), "1");
  EXPECT_EQ(
      login.Ring(1, 5),
      R"('<small>boy</small>##进入了聊天室<\script>parent.addl(\'ann\',0,\'1010\',\'\')</\script>','ann','大厅',0,'#ff0000','#00ff00',-3,'12:00:00',)");
  EXPECT_EQ(login.Ring(2, 0), "2");
  EXPECT_EQ(login.Ring(2, 3), "1");
  EXPECT_EQ(convert::ToText(login.chat.Get("_current")), "2");
}

TEST_F(EntryTest, AGirlIsAnnouncedWithHerTag) {
  login.Init();
  ASSERT_EQ(login.Login("ann", "pw", SexForm("1")), "");
  EXPECT_EQ(
      login.Ring(1, 5),
      R"('<small>girl</small>##进入了聊天室<\script>parent.addl(\'ann\',1,\'1010\',\'\')</\script>','ann','大厅',0,'#ff0000','#00ff00',-3,'12:00:00',)");
}

TEST_F(EntryTest, AnotherVisitorSeesTheAnnouncementButNotTheNotice) {
  login.Init();
  MemorySession& bob = login.chat.Enter("bob", 1);
  ASSERT_EQ(login.Login("ann", "pw"), "");
  MemoryRequest poll;
  const std::string page = login.chat.Component()->refresh(login.chat.app, bob, poll);
  EXPECT_NE(page.find("parent.addl(\\'ann\\'"), std::string::npos) << page;
  EXPECT_EQ(page.find("欢迎光临"), std::string::npos) << page;
  const std::string own = login.chat.Component()->refresh(login.chat.app, login.session(), poll);
  EXPECT_NE(own.find("欢迎光临"), std::string::npos) << own;
}

TEST_F(EntryTest, ATemplateWithOnlyItsTextPostsEmptyColours) {
  login.chat.Param("enterchatshow", "欢迎##");
  login.Init();
  ASSERT_EQ(login.Login("ann", "pw"), "");
  EXPECT_EQ(
      login.Ring(1, 5),
      R"('欢迎<small>boy</small>##<\script>parent.addl(\'ann\',0,\'1010\',\'\')</\script>','ann','大厅',0,'','',-3,'12:00:00',)");
}

TEST_F(EntryTest, AUserLoggingInAgainKeepsHisRoomAndOneRecord) {
  login.Init();
  login.chat.Enter("ann", 2);
  login.chat.Enter("bob", 1);
  ASSERT_EQ(login.Login("ann", "pw", RoomForm("1")), "");
  const std::string list = UserList();
  EXPECT_EQ(keyed_list::CountRecords(list), 2u);
  EXPECT_TRUE(list.ends_with("<$ann$>"));
  EXPECT_EQ(login.chat.Component()->GetListValue(list, "ann", 4), "2");
  EXPECT_EQ(
      login.Ring(1, 5),
      R"('<small>boy</small>##回来了<\script>parent.addl(\'ann\',0,\'1010\',\'\')</\script>','ann','二楼',0,'#0000ff','#000000',-3,'12:00:00',)");
}

TEST_F(EntryTest, AUserWhoseRoomIsGoneEntersTheRoomHeChose) {
  login.Init();
  login.chat.Enter("ann", 2);
  auto component = login.chat.Component();
  login.chat.Set("_room_list", component->DelList(login.chat.Get("_room_list"), "2"));
  ASSERT_EQ(login.Login("ann", "pw", RoomForm("1")), "");
  EXPECT_EQ(login.chat.Component()->GetListValue(UserList(), "ann", 4), "1");
  EXPECT_TRUE(InRoom(1, "ann"));
}

TEST_F(EntryTest, ManyVisitorsLoggingInAtOnceAreAllListedAndCounted) {
  login.chat.Param("newusernum", "1000");
  login.chat.Param("maxpeople", "1000");
  login.Init();
  constexpr int kThreads = 8;
  constexpr int kEach = 6;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        MemoryRequest request;
        request.SetForm("sUserName", "u" + std::to_string(t) + "x" + std::to_string(i));
        request.SetForm("sPass", "pw");
        request.SetForm("room_id", std::to_string(1 + i % 2));
        request.SetServerVariable("REMOTE_ADDR", "10.1." + std::to_string(t) + ".1");
        MemorySession session;
        EXPECT_EQ(login.chat.Component()->LoginCheck(login.chat.app, session, request), "");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  constexpr int kAll = kThreads * kEach;
  EXPECT_EQ(keyed_list::CountRecords(UserList()), static_cast<std::size_t>(kAll));
  const std::size_t occupants = strings::Split(strings::Trim(Room(1)[12]), " ").size() +
                                strings::Split(strings::Trim(Room(2)[12]), " ").size();
  EXPECT_EQ(occupants, static_cast<std::size_t>(kAll));
  EXPECT_EQ(convert::ToText(login.chat.Get("_visitor")), std::to_string(100 + kAll));
  EXPECT_EQ(convert::ToText(login.chat.Get("_current")), std::to_string(2 * kAll));
  EXPECT_EQ(login.chat.db.Scalar("SELECT count(*) FROM user"), std::to_string(kAll));
}

// --- The record and announcement texts ---

TEST(LoginRecord, JoinsTheFifteenFieldsUnderTheName) {
  const login::OnlineRecord record{"08:09:10", "1.2.3.4", 1, "3", 7, "2026-12-06 08:09:10",
                                   1020,       "8",       -7};
  EXPECT_EQ(login::LoginRecord("ann", record),
            "<$ann$>08:09:10$>1.2.3.4$>1$>3$>7$>2026-12-06 08:09:10$>1020$>0$>8$>-7$>"
            "2026-12-06 08:09:10$>2026-12-06 08:09:10$>$>$>$><$ann$>");
}

TEST(Announcement, PutsTheSexTagBeforeEveryMark) {
  EXPECT_EQ(
      login::AnnouncementText("##甲##乙", 1, "ann", 1010),
      R"(<small>girl</small>##甲<small>girl</small>##乙<\script>parent.addl(\'ann\',1,\'1010\',\'\')</\script>)");
}

TEST(Announcement, AnEmptyTemplateHasThreeEmptyParts) {
  const login::Announcement parts = login::SplitTemplate("");
  EXPECT_EQ(parts.text + "|" + parts.c1 + "|" + parts.c2, "||");
}

}  // namespace
}  // namespace ravochat::testing
