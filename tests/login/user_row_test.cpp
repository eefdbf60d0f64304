// The user's row at login: the row a new user gets with his welcome, and the row and
// the waiting notices of a returning user.

#include <gtest/gtest.h>

#include "core/convert.h"
#include "login/login_chat.h"
#include "ravochat/error.h"

namespace ravochat::testing {
namespace {

class UserRowTest : public ::testing::Test {
 protected:
  LoginChat login;

  std::string Column(std::string_view column, std::string_view name) {
    return login.chat.db.Scalar("SELECT " + std::string(column) + " FROM user WHERE username=?",
                                {name});
  }
  std::string Record(std::string_view name, int field) {
    return login.chat.Component()->GetListValue(login.chat.Get("_user_list"), name, field);
  }
};

// --- A new user ---

TEST_F(UserRowTest, ANewUserGetsTheRowOfAFirstLogin) {
  login.Init();
  ASSERT_EQ(login.Login("ann", "pw", SexForm("1")), "");
  EXPECT_EQ(login.chat.db.Scalar(
                "SELECT username||'|'||passwd||'|'||headface||'|'||sex||'|'||log_time||'|'||"
                "user_level||'|'||first_ip||'|'||last_ip||'|'||visit_num||'|'||in_time||'|'||"
                "out_info||'|'||exp_num||'|'||out_time||'|'||f_size||'|'||l_height||'|'||bgcolor "
                "FROM user"),
            "ann|" + login.Stored("pw") +
                "|1010|1|2026-12-06 12:00:00|1|10.0.0.1|10.0.0.1|1|2026-12-06 12:00:00|0|0|"
                "2026-12-06 12:00:00|4|6|#ffffff:#000000:#111111");
  for (const char* colour : {"n_color", "s_color"}) {
    const int n = std::stoi(Column(colour, "ann"));
    EXPECT_GE(n, 0);
    EXPECT_LE(n, 17);
  }
}

TEST_F(UserRowTest, ANewUserIsWelcomedWithThePasswordAsTypedWhileTheRowHoldsItsFirst15) {
  login.Init();
  ASSERT_EQ(login.Login("ann", "abcdefghijklmnopqrs"), "");
  EXPECT_EQ(Column("passwd", "ann"), login.Stored("abcdefghijklmno"));
  EXPECT_EQ(
      login.Ring(2, 5),
      R"('【系统】ann:欢迎光临！请记牢您的密码[abcdefghijklmnopqrs]，点[<a href=userset.asp target=list onclick=\'parent.listflag=0\'>设置</a>]可以修改和设置您的个人信息！<br>','ann','',1,'','',-5,'12:00:00',)");
}

TEST_F(UserRowTest, TheWelcomeShowsAPasswordWithQuotesAndMarkupSafely) {
  login.Init();
  ASSERT_EQ(login.Login("ann", R"(it's<b>\)"), "");
  EXPECT_NE(login.Ring(2, 5).find(R"(请记牢您的密码[it\'s&lt;b&gt;\\])"), std::string::npos);
}

TEST_F(UserRowTest, AMissingSecondFaceColourFailsWithoutARow) {
  login.chat.Param("facecolorstr", "#000000");
  login.Init();
  EXPECT_THROW(login.Login("ann", "pw"), ravochat::Error);
  EXPECT_EQ(login.chat.db.Scalar("SELECT count(*) FROM user"), "0");
}

// --- A returning user ---

TEST_F(UserRowTest, AReturningUserGetsEveryWaitingNoticeInOrder) {
  login.AddUser("Bob", "pw", 3, 4, " carl dave eve ");
  auto& db = login.chat.db;
  db.Exec(
      "INSERT INTO friendrq (ID,who,towho,sub_time) VALUES (7,' carl ','Bob',"
      "'2026-12-05 11:00:00')");
  db.Exec(
      "INSERT INTO friendrq (ID,who,towho,sub_time) VALUES (9,'eve','bob',"
      "'2026-12-05 11:30:00')");
  db.Exec("INSERT INTO guestbook (towho,post_time) VALUES ('bob','2026-12-05 11:00:00')");
  db.Exec("INSERT INTO calls (towho,calltime,read) VALUES ('bob','2026-12-01 10:00:00',0)");
  login.Init();
  login.chat.Enter("carl", 1);
  ASSERT_EQ(login.Login("bob", "pw"), "");
  EXPECT_EQ(
      login.Ring(2, 5),
      R"('<\script>window.open(\'getcall.asp\',\'\',\'width=550,height=300,scrollbars=1\');</\script>)"
      R"(【系统】bob:有聊友给你留言哟！[<a href=guest.asp target=guestbook>观看</a>]<br>)"
      R"(【系统】carl向你发出好友申请，你是[<a href=\'agreefriend.asp?ID=7&answer=yes\' onclick=\'parent.input.document.forms[0].saystemp.focus()\' target=newsay>同意</a>]还是[<a href=\'agreefriend.asp?ID=7&answer=no\' onclick=\'parent.input.document.forms[0].saystemp.focus()\' target=newsay>不同意</a>]？<br>)"
      R"(【系统】eve向你发出好友申请，你是[<a href=\'agreefriend.asp?ID=9&answer=yes\' onclick=\'parent.input.document.forms[0].saystemp.focus()\' target=newsay>同意</a>]还是[<a href=\'agreefriend.asp?ID=9&answer=no\' onclick=\'parent.input.document.forms[0].saystemp.focus()\' target=newsay>不同意</a>]？<br>)"
      R"(【系统】在线好友：<font class=a color=#880088 onclick=javascript:parent.chuser(\'carl\') >carl</font>，快快与好友联系吧！<br>)"
      R"(','Bob','',1,'','',-5,'12:00:00',)");
}

TEST_F(UserRowTest, AReturningUserEntersUnderHisStoredSpelling) {
  login.AddUser("Bob", "pw", 3);
  login.Init();
  ASSERT_EQ(login.Login("bob", "pw"), "");
  EXPECT_EQ(convert::ToText(login.session().Get("myname")), "Bob");
  EXPECT_EQ(Record("Bob", 3), "3");
  EXPECT_EQ(Record("Bob", 6), "1020");
  EXPECT_EQ(Record("Bob", 2), "1");
}

TEST_F(UserRowTest, AReturningUsersRowIsBroughtUpToDate) {
  login.AddUser("Bob", "pw", 3, 4);
  login.Init();
  ASSERT_EQ(login.Login("bob", "pw", AddressForm("10.7.7.7")), "");
  EXPECT_EQ(login.chat.db.Scalar("SELECT '['||temppass||']'||visit_num||'|'||last_ip||'|'||"
                                 "in_time||'|'||out_time||'|'||first_ip FROM user"),
            "[ ]5|10.7.7.7|2026-12-06 12:00:00|2026-12-06 12:00:00|10.9.9.9");
}

TEST_F(UserRowTest, OldCallsAndNotesFromBeforeTheLastExitAreNotAnnounced) {
  login.AddUser("bob", "pw");
  login.chat.db.Exec(
      "INSERT INTO guestbook (towho,post_time) VALUES ('bob','2026-12-05 09:00:00')");
  login.chat.db.Exec(
      "INSERT INTO calls (towho,calltime,read) VALUES ('大家','2026-12-05 09:00:00',0)");
  login.chat.db.Exec(
      "INSERT INTO calls (towho,calltime,read) VALUES ('bob','2026-12-05 11:00:00',1)");
  login.Init();
  ASSERT_EQ(login.Login("bob", "pw"), "");
  EXPECT_EQ(login.Ring(2, 0), "0");
  EXPECT_EQ(convert::ToText(login.chat.Get("_current")), "1");
}

TEST_F(UserRowTest, ACallToEverybodyAfterTheLastExitOpensTheCallWindow) {
  login.AddUser("bob", "pw");
  login.chat.db.Exec(
      "INSERT INTO calls (towho,calltime,read) VALUES ('大家','2026-12-05 10:00:01',1)");
  login.Init();
  ASSERT_EQ(login.Login("bob", "pw"), "");
  EXPECT_EQ(
      login.Ring(2, 5),
      R"('<\script>window.open(\'getcall.asp\',\'\',\'width=550,height=300,scrollbars=1\');</\script>','bob','',1,'','',-5,'12:00:00',)");
}

TEST_F(UserRowTest, FriendsWhoAreNotOnlineAddNoLine) {
  login.AddUser("bob", "pw", 1, 4, "carl dave");
  login.Init();
  login.chat.Enter("eve", 1);
  ASSERT_EQ(login.Login("bob", "pw"), "");
  EXPECT_EQ(convert::ToText(login.chat.Get("_current")), "1");
}

TEST_F(UserRowTest, ATemporaryLevelAboveFiveAndTheUsersRaisesTheEffectiveLevel) {
  login.AddUser("bob", "pw", 3);
  login.chat.db.Exec("INSERT INTO vrecord (username,temp_level) VALUES ('bob',8)");
  login.Init();
  ASSERT_EQ(login.Login("bob", "pw"), "");
  EXPECT_EQ(Record("bob", 3), "3");
  EXPECT_EQ(Record("bob", 8), "8");
}

TEST_F(UserRowTest, ATemporaryLevelOfFiveIsIgnored) {
  login.AddUser("bob", "pw", 3);
  login.chat.db.Exec("INSERT INTO vrecord (username,temp_level) VALUES ('bob',5)");
  login.Init();
  ASSERT_EQ(login.Login("bob", "pw"), "");
  EXPECT_EQ(Record("bob", 8), "3");
}

}  // namespace
}  // namespace ravochat::testing
