// Polling: who counts as logged in, what a poll sends, and what it remembers.
#include <gtest/gtest.h>

#include <string>

#include "messages/messages_fixture.h"
#include "messages/says_ring.h"
#include "ravochat/error.h"

namespace ravochat::messages {
namespace {

const std::string kNotLoggedIn = std::string(kHead) +
                                 "<script Language=JavaScript>top.location.href = "
                                 "'showerr.asp?errtext=你还没有登录到聊天室！';</script>";
const std::string kClosed =
    std::string(kHead) + "<script Language=JavaScript>top.location.href = 'close.asp';</script>";

class Polling : public MessagesTest {
 protected:
  Polling() {
    chat.Enter("amy", 1);
    chat.Enter("bob", 1);
    chat.Enter("cat", 2);
  }
};

TEST_F(Polling, NoNameAnotherTokenOrARoomNoLongerListedIsNotLoggedIn) {
  MemorySession stranger;
  EXPECT_EQ(chat.Poll(stranger), kNotLoggedIn);
  chat.SessionOf("bob").Set("mytemp", "other");
  EXPECT_EQ(Refresh("bob"), kNotLoggedIn);
  chat.SetListField("_user_list", "cat", user_field::kRoom, "9");
  EXPECT_EQ(Refresh("cat"), kNotLoggedIn);
}

TEST_F(Polling, ALineReachesTheOtherVisitorsOfTheRoomOnly) {
  chat.SessionOf("bob").Set("myname", " bob ");  // the name is trimmed
  EXPECT_EQ(Refresh("bob"), PollPage("parent.ref(0);parent.allusernum=3;</script>"));
  Post("amy", "hello");
  EXPECT_EQ(Refresh("bob"), PollPage("parent.addsay(1," + Stored("hello", "amy") +
                                     "'');parent.ref(1);parent.allusernum=3;</script>"));
  EXPECT_EQ(Refresh("cat"), PollPage("parent.ref(1);parent.allusernum=3;</script>"));
}

TEST_F(Polling, APollRemembersTheNewestNumberAndTheTimeSoPrivateLinesOfOthersAreSkipped) {
  chat.Enter("dan", 1);
  Post("amy", "psst", "bob", {{"secret", "true"}});
  chat.clock.Advance(65);
  EXPECT_EQ(Refresh("dan"), PollPage("parent.ref(1);parent.allusernum=4;</script>"));
  EXPECT_EQ(chat.ListField("_user_list", "dan", user_field::kLastSayId), "1");
  EXPECT_EQ(chat.ListField("_user_list", "dan", user_field::kLastSeen), "2026-12-06 12:01:05");
  EXPECT_NE(Refresh("bob").find("1,'psst','amy','bob',1,'000000','',0,'12:00:00',"),
            std::string::npos);
}

TEST_F(Polling, TheRequestsSayIdOverridesTheRecordsAndMustBeANumber) {
  Post("amy", "one");
  Post("amy", "two");
  Refresh("bob");
  EXPECT_EQ(Refresh("bob", 0),
            PollPage("parent.addsay(1," + Stored("one", "amy") + "2," + Stored("two", "amy") +
                     "'');parent.ref(2);parent.allusernum=3;</script>"));
  EXPECT_THROW(Refresh("bob", "abc"), ConversionError);

  // Without a sayid, the number the window remembers counts when it is further than the
  // record's, as the newest when past it.
  Post("amy", "three");
  const std::string third = "parent.addsay(3," + Stored("three", "amy") + "'');";
  for (const auto& [cookie, rows] :
       std::vector<std::pair<std::string, std::string>>{{"3", ""},
                                                        {"1", third},  // behind the record's 2
                                                        {"9", ""},     // past the newest
                                                        {"3x", third}}) {
    chat.SetListField("_user_list", "bob", user_field::kLastSayId, "2");
    MemoryRequest request;
    request.SetCookie("lastsayid", Value(cookie));
    EXPECT_EQ(chat.Component()->refresh(chat.app, chat.SessionOf("bob"), request),
              PollPage(rows + "parent.ref(3);parent.allusernum=3;</script>"))
        << cookie;
  }
}

TEST_F(Polling, LinesThatLeftTheRingUnreadAreAnnouncedOnceBeforeTheRest) {
  Post("amy", "x");
  Refresh("bob");
  for (int i = 0; i < 101; ++i) Post("amy", "x");
  // Lines 2 to 102 fill the 101 rows: none was lost.
  EXPECT_EQ(Refresh("bob").find(kMissedLinesText), std::string::npos);
  for (int i = 0; i < 102; ++i) Post("amy", "x");  // line 103 is overwritten by line 204
  const std::string announced =
      PollPage("parent.addsay(-1,'【系统】" + std::string(kMissedLinesText) +
               "','','bob',0,'990066','',-2,'12:00:00',104," + Stored("x", "amy"));
  EXPECT_EQ(Refresh("bob").substr(0, announced.size()), announced);
  Post("amy", "x");
  EXPECT_EQ(Refresh("bob").find(kMissedLinesText), std::string::npos);
}

// The silence limit is 30 minutes; the stay limit after login 240.
TEST_F(Polling, AVisitorExactlyAtTheSilenceLimitStaysAndOneMinuteLaterOrPastTheStayLimitIsClosed) {
  chat.SetListField("_user_list", "amy", user_field::kLoginTime, "2026-12-06 07:59:00");
  EXPECT_EQ(Refresh("amy"), kClosed);
  chat.clock.Advance(30 * 60);
  EXPECT_NE(Refresh("bob"), kClosed);
  chat.clock.Advance(60);
  std::string seen = chat.ListField("_user_list", "bob", user_field::kLastSeen);
  EXPECT_EQ(Refresh("bob"), kClosed);
  EXPECT_EQ(chat.ListField("_user_list", "bob", user_field::kLastSeen), seen);
}

}  // namespace
}  // namespace ravochat::messages
