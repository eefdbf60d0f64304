// Entry into the chat: the user-list record, the room's occupants, the session, the
// announcement and the private notice, re-entry, and many visitors logging in at once.

#include <gtest/gtest.h>

#include <thread>

#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "core/strings.h"
#include "login/login_chat.h"
#include "login/login_texts.h"
#include "messages/pages.h"

namespace ravochat::testing {
namespace {

class EntryTest : public LoginChat, public ::testing::Test {
 protected:
  std::vector<std::string> Room(int id) {
    return keyed_list::SplitFields(
        keyed_list::SplitRecord(Text("_room_list"), convert::ToText(id)).body);
  }
  std::vector<std::string> Occupants(int id) {
    return strings::Split(strings::Trim(Room(id)[room_field::kOccupants]), " ");
  }
};

TEST_F(EntryTest, ANewcomerIsListedLastInTheUserListInHisRoomAndInHisSession) {
  Init();
  chat.Enter("bob", 1);
  chat.clock.Advance(3 * 60 + 7);
  ASSERT_EQ(Login("ann", "pw", {.room = "2"}), "");
  const std::string list = Text("_user_list");
  const std::string token = convert::ToText(session().Get("mytemp"));
  EXPECT_TRUE(token.starts_with("12:03:07-")) << token;
  const std::string expected = "<$ann$>" + token +
                               "$>10.0.0.1$>0$>1$>2$>2026-12-06 12:03:07$>1010$>0$>1$>-10$>"
                               "2026-12-06 12:03:07$>2026-12-06 12:03:07$>$>$>$><$ann$>";
  ASSERT_GE(list.size(), expected.size());
  EXPECT_EQ(list.substr(list.size() - expected.size()), expected);
  EXPECT_EQ(keyed_list::CountRecords(list), 2u);
  EXPECT_EQ(Occupants(2), std::vector<std::string>{"ann"});
  EXPECT_EQ(Occupants(1), std::vector<std::string>{"bob"});
  EXPECT_EQ(Room(2)[room_field::kTime], "2026-12-06 12:03:07");
  EXPECT_EQ(convert::ToText(session().Get("myname")), "ann");
}

// Each login has its own token, so the first window of a name logged in twice within the
// same second is no longer logged in at its next poll.
TEST_F(EntryTest, ASecondLoginOfANameInTheSameSecondEndsTheFirstWindow) {
  ASSERT_EQ(Login("ann", "pw"), "");
  MemorySession& first = session();
  ASSERT_EQ(Login("ann", "pw"), "");
  const std::string not_logged_in =
      std::string(messages::kPageHead) + std::string(messages::kNotLoggedInScript);
  EXPECT_EQ(chat.Poll(first), not_logged_in);
  EXPECT_NE(chat.Poll(session()), not_logged_in);
}

TEST_F(EntryTest, TheAnnouncementGoesToEveryoneAndTheNoticeToTheNewcomerOnly) {
  ASSERT_EQ(Login("ann", "pw"), "");
  EXPECT_EQ(
      Ring(1, ring_field::kText),
      R"('<small>boy</small>##进入了聊天室<\script>parent.addl(\'ann\',0,\'1010\',\'\')</\script>','ann','大厅',0,'#ff0000','#00ff00',-3,'12:00:00',)");
  EXPECT_EQ(Ring(1, ring_field::kSecret) + Ring(2, ring_field::kSecret), "01");
  EXPECT_EQ(Ring(2, ring_field::kNumber), "2");
  EXPECT_EQ(Text("_current"), "2");
}

TEST_F(EntryTest, AUserLoggingInAgainKeepsHisRoomAndOneRecord) {
  Init();
  chat.Enter("ann", 2);
  chat.Enter("bob", 1);
  ASSERT_EQ(Login("ann", "pw", {.room = "1"}), "");
  const std::string list = Text("_user_list");
  EXPECT_EQ(keyed_list::CountRecords(list), 2u);
  EXPECT_TRUE(list.ends_with("<$ann$>"));
  EXPECT_EQ(Record("ann", user_field::kRoom), "2");
  EXPECT_EQ(Occupants(2), std::vector<std::string>{"ann"});
  EXPECT_EQ(
      Ring(1, ring_field::kText),
      R"('<small>boy</small>##回来了<\script>parent.addl(\'ann\',0,\'1010\',\'\')</\script>','ann','二楼',0,'#0000ff','#000000',-3,'12:00:00',)");
}

TEST_F(EntryTest, AUserWhoseRoomIsGoneEntersTheRoomHeChose) {
  Init();
  chat.Enter("ann", 2);
  chat.Set("_room_list", chat.Component()->DelList(chat.Get("_room_list"), "2"));
  ASSERT_EQ(Login("ann", "pw", {.room = "1"}), "");
  EXPECT_EQ(Record("ann", user_field::kRoom), "1");
  EXPECT_EQ(Occupants(1), std::vector<std::string>{"ann"});
}

TEST_F(EntryTest, ManyVisitorsLoggingInAtOnceAreAllListedAndCounted) {
  chat.Params({"newusernum=1000", "maxpeople=1000"});
  Init();
  constexpr int kThreads = 8;
  constexpr int kEach = 6;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        MemoryRequest request = Request(
            "u" + std::to_string(t) + "x" + std::to_string(i), "pw",
            {.room = std::to_string(1 + i % 2), .address = "10.1." + std::to_string(t) + ".1"});
        MemorySession session;
        EXPECT_EQ(chat.Component()->LoginCheck(chat.app, session, request), "");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  constexpr std::size_t kAll = kThreads * kEach;
  EXPECT_EQ(keyed_list::CountRecords(Text("_user_list")), kAll);
  EXPECT_EQ(Occupants(1).size() + Occupants(2).size(), kAll);
  EXPECT_EQ(Text("_visitor"), std::to_string(100 + kAll));
  EXPECT_EQ(Text("_current"), std::to_string(2 * kAll));
  EXPECT_EQ(chat.db.Scalar("SELECT count(*) FROM user"), std::to_string(kAll));
}

TEST(Announcement, PutsTheSexTagBeforeEveryMark) {
  EXPECT_EQ(
      login::AnnouncementText("##甲##乙", 1, "ann", 1010),
      R"(<small>girl</small>##甲<small>girl</small>##乙<\script>parent.addl(\'ann\',1,\'1010\',\'\')</\script>)");
}

}  // namespace
}  // namespace ravochat::testing
