// Polling: who counts as logged in, what a poll sends, and what it remembers.
#include <gtest/gtest.h>

#include <string>

#include "core/records.h"
#include "messages/messages_fixture.h"
#include "ravochat/error.h"

namespace ravochat::messages {
namespace {

const std::string kNotLoggedIn = std::string(kHead) +
                                 "<script Language=JavaScript>top.location.href = "
                                 "'showerr.asp?errtext=你还没有登录到聊天室！';</script>";
const std::string kClosed =
    std::string(kHead) + "<script Language=JavaScript>top.location.href = 'close.asp';</script>";

std::string Line(int n, const std::string& text, const std::string& who,
                 const std::string& to = "大家", int secret = 0) {
  return std::to_string(n) + ",'" + text + "','" + who + "','" + to + "'," +
         std::to_string(secret) + ",'000000','',0,'12:00:00',";
}

class Polling : public MessagesTest {
 protected:
  Polling() {
    chat.Enter("amy", 1);
    chat.Enter("bob", 1, 4);
    chat.Enter("cat", 2);
  }
};

TEST_F(Polling, GetLevelGivesTheEffectiveLevelAndTheRoom) {
  auto component = chat.Component();
  chat.SessionOf("bob").Set("myname", " bob ");
  EXPECT_EQ(component->getLevel(chat.SessionOf("bob"), convert::ToText(chat.Get("_user_list")),
                                convert::ToText(chat.Get("_room_list"))),
            4);
  EXPECT_EQ(component->MyName, "bob");
  EXPECT_EQ(component->room_id, 1);
}

TEST_F(Polling, AVisitorWithoutANameInTheSessionIsNotLoggedIn) {
  MemorySession stranger;
  MemoryRequest request;
  EXPECT_EQ(chat.Component()->refresh(chat.app, stranger, request), kNotLoggedIn);
}

TEST_F(Polling, ASessionWhoseTokenDiffersFromTheRecordIsNotLoggedIn) {
  chat.SessionOf("bob").Set("mytemp", "other");
  EXPECT_EQ(Refresh("bob"), kNotLoggedIn);
}

TEST_F(Polling, AVisitorWhoseRoomIsNoLongerListedIsNotLoggedIn) {
  SetField("_user_list", "bob", user_field::kRoom, "9");
  EXPECT_EQ(Refresh("bob"), kNotLoggedIn);
}

TEST_F(Polling, NothingNewGivesOnlyTheNewestNumberAndTheCountOnline) {
  EXPECT_EQ(Refresh("bob"),
            std::string(kHead) + kPoll + "parent.ref(0);parent.allusernum=3;</script>");
}

TEST_F(Polling, ALineReachesTheOtherVisitorsOfTheRoomOnly) {
  Post("amy", "hello");
  EXPECT_EQ(Refresh("bob"), std::string(kHead) + kPoll + "parent.addsay(" +
                                Line(1, "hello", "amy") +
                                "'');parent.ref(1);parent.allusernum=3;</script>");
  EXPECT_EQ(Refresh("cat"),
            std::string(kHead) + kPoll + "parent.ref(1);parent.allusernum=3;</script>");
}

TEST_F(Polling, APollRemembersTheNewestNumberAndTheTime) {
  Post("amy", "hello");
  chat.clock.Advance(65);
  Refresh("bob");
  EXPECT_EQ(Field("_user_list", "bob", user_field::kLastSayId), "1");
  EXPECT_EQ(Field("_user_list", "bob", user_field::kLastSeen), "2026-12-06 12:01:05");
  EXPECT_EQ(Refresh("bob"),
            std::string(kHead) + kPoll + "parent.ref(1);parent.allusernum=3;</script>");
}

TEST_F(Polling, PrivateLinesOfOthersAreSkippedForGood) {
  chat.Enter("dan", 1);
  Post("amy", "psst", "bob", {{"secret", "true"}});
  EXPECT_EQ(Refresh("dan"),
            std::string(kHead) + kPoll + "parent.ref(1);parent.allusernum=4;</script>");
  EXPECT_EQ(Field("_user_list", "dan", user_field::kLastSayId), "1");
  EXPECT_NE(Refresh("bob").find(Line(1, "psst", "amy", "bob", 1)), std::string::npos);
}

TEST_F(Polling, ALineOfARoomBelowMinusOneReachesEveryRoom) {
  auto component = chat.Component();
  Value says = chat.Get("_says");
  Value current = chat.Get("_current");
  component->Newsay("sys", "大家", 0, -2, "notice", "000000", "", 0, says, current);
  chat.Set("_says", says);
  chat.Set("_current", current);
  EXPECT_NE(Refresh("cat").find("parent.addsay(" + Line(1, "notice", "sys")), std::string::npos);
  EXPECT_NE(Refresh("bob").find("parent.addsay(" + Line(1, "notice", "sys")), std::string::npos);
}

TEST_F(Polling, SayIdZeroResendsEveryVisibleLine) {
  Post("amy", "one");
  Post("amy", "two");
  Refresh("bob");
  EXPECT_EQ(Refresh("bob", 0), std::string(kHead) + kPoll + "parent.addsay(" +
                                   Line(1, "one", "amy") + Line(2, "two", "amy") +
                                   "'');parent.ref(2);parent.allusernum=3;</script>");
}

TEST_F(Polling, RowsNeverWrittenAreNotSentAfterLogin) {
  Post("amy", "one");
  SetField("_user_list", "bob", user_field::kLastSayId, "-9");
  EXPECT_EQ(Refresh("bob"), std::string(kHead) + kPoll + "parent.addsay(" + Line(1, "one", "amy") +
                                "'');parent.ref(1);parent.allusernum=3;</script>");
}

TEST_F(Polling, AVisitorExactlyAtTheSilenceLimitStaysAndOneMinuteLaterIsClosed) {
  chat.clock.Advance(30 * 60);
  EXPECT_NE(Refresh("bob"), kClosed);
  chat.clock.Advance(60);
  std::string seen = Field("_user_list", "bob", user_field::kLastSeen);
  EXPECT_EQ(Refresh("bob"), kClosed);
  EXPECT_EQ(Field("_user_list", "bob", user_field::kLastSeen), seen);
}

TEST_F(Polling, AVisitorLongerThanTheStayLimitAfterLoginIsClosed) {
  SetField("_user_list", "bob", user_field::kLoginTime, "2026-12-06 07:59:00");
  EXPECT_EQ(Refresh("bob"), kClosed);
}

TEST_F(Polling, ANonNumericSayIdFails) { EXPECT_THROW(Refresh("bob", "abc"), ConversionError); }

}  // namespace
}  // namespace ravochat::messages
