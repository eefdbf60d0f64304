// The user's row at login: the row a new user gets with his welcome, and the row and
// the waiting notices of a returning user.

#include <gtest/gtest.h>

#include "core/convert.h"
#include "core/records.h"
#include "login/login_chat.h"
#include "login/login_texts.h"
#include "ravochat/error.h"
#include "ravochat/social.h"

namespace ravochat::testing {
namespace {

// The head of an argon2id string at the test chat's cost: 1 MiB, 1 pass.
constexpr std::string_view kCheapArgon2id = "$argon2id$v=19$m=1024,t=1,p=1$";

class UserRowTest : public ::testing::TestWithParam<Backend>, public LoginChat {
 protected:
  UserRowTest() : LoginChat(ReachableBackend(GetParam())) {}
  std::string Column(std::string_view column, std::string_view name) {
    return chat.db.Scalar("SELECT " + std::string(column) + " FROM user WHERE username=?", {name});
  }
};

// --- A new user ---

// The row holds the argon2id string of the whole password, at the chat's cost (the test
// chat's is the cheapest); the welcome repeats the password.
TEST_P(UserRowTest, ANewUserGetsTheRowOfAFirstLoginAndTheWelcome) {
  ASSERT_EQ(Login("ann", "abcdefghijklmnopqrs", {.sex = "1"}), "");
  EXPECT_TRUE(Column("passwd", "ann").starts_with(kCheapArgon2id)) << Column("passwd", "ann");
  EXPECT_EQ(chat.db.Scalar(
                "SELECT username||'|'||headface||'|'||sex||'|'||log_time||'|'||"
                "user_level||'|'||first_ip||'|'||last_ip||'|'||visit_num||'|'||in_time||'|'||"
                "out_info||'|'||exp_num||'|'||out_time||'|'||f_size||'|'||l_height||'|'||bgcolor "
                "FROM user"),
            "ann|1010|1|2026-12-06 12:00:00|1|10.0.0.1|10.0.0.1|1|2026-12-06 12:00:00|0|0|"
            "2026-12-06 12:00:00|4|6|#ffffff:#000000:#111111");
  for (const char* colour : {"n_color", "s_color"}) {
    const int n = std::stoi(Column(colour, "ann"));
    EXPECT_GE(n, 0);
    EXPECT_LE(n, 17);
  }
  EXPECT_EQ(
      Ring(2, ring_field::kText),
      R"('【系统】ann:欢迎光临！请记牢您的密码[abcdefghijklmnopqrs]，点[<a href=userset.asp target=list onclick=\'parent.listflag=0\'>设置</a>]可以修改和设置您的个人信息！<br>','ann','',1,'','',-5,'12:00:00',)");
  // A password with quotes and markup is shown safely.
  ASSERT_EQ(Login("bob", R"(it's<b>\)"), "");
  EXPECT_NE(Ring(4, ring_field::kText).find(R"(请记牢您的密码[it\'s&lt;b&gt;\\])"),
            std::string::npos);
}

TEST_P(UserRowTest, AMissingSecondFaceColourFailsWithoutARow) {
  chat.Param("facecolorstr", "#000000");
  EXPECT_THROW(Login("ann", "pw"), ravochat::Error);
  EXPECT_EQ(chat.db.Scalar("SELECT count(*) FROM user"), "0");
}

// --- A returning user ---

// A row of an older installation keeps the classic transform of the password's first 15
// characters. It lets in the password typed in full and becomes its argon2id string; from
// then on only the whole password logs in, and the string stays.
TEST_P(UserRowTest, AClassicPasswordLogsInOnceAndIsThenTheArgon2idStringOfTheWholePassword) {
  AddUser("ann", "pass1234");
  AddUser("bob", "abcdefghijklmnopqrs");
  EXPECT_EQ(Login("bob", "abcdefghijklmnopqrs"), "");
  const std::string upgraded = Column("passwd", "bob");
  EXPECT_TRUE(upgraded.starts_with(kCheapArgon2id)) << upgraded;
  const struct {
    const char* name;
    const char* typed;
    std::string_view result;
  } kTries[] = {
      {"ann", "pass1235", login::kWrongPassword},
      {"ann", "pass1234", ""},
      {"ann", "pass1234", ""},
      {"ann", "pass1235", login::kWrongPassword},
      {"bob", "abcdefghijklmno", login::kWrongPassword},
      {"bob", "abcdefghijklmnoXYZ", login::kWrongPassword},
      {"bob", "abcdefghijklmnopqrs", ""},
  };
  for (const auto& t : kTries) EXPECT_EQ(Login(t.name, t.typed), t.result) << t.name << t.typed;
  EXPECT_TRUE(Column("passwd", "ann").starts_with(kCheapArgon2id));
  EXPECT_EQ(Column("passwd", "bob"), upgraded);
}

// The settings page checks a classic old password too and stores the new one as argon2id
// (that an argon2id one is checked and the new one alone logs in, the member test shows).
TEST_P(UserRowTest, AChangedClassicPasswordIsStoredAsArgon2id) {
  AddUser("ann", "pass1234");
  Init();
  auto member = social::Member::Find(chat.app, chat.Enter("ann", 1), "", chat.clock);
  ASSERT_TRUE(member.has_value());
  ASSERT_EQ(member->ChangePassword("pass1234", "newpass12", "newpass12"), "");
  EXPECT_TRUE(Column("passwd", "ann").starts_with(kCheapArgon2id)) << Column("passwd", "ann");
}

TEST_P(UserRowTest, AReturningUserGetsEveryWaitingNoticeInOrder) {
  AddUser("Bob", "pw", 3, 4, " carl dave eve ");
  auto& db = chat.db;
  db.Exec(
      "INSERT INTO friendrq (ID,who,towho,sub_time) VALUES "
      "(7,' carl ','Bob','2026-12-05 11:00:00'),(9,'eve','bob','2026-12-05 11:30:00')");
  db.Exec("INSERT INTO guestbook (towho,post_time) VALUES ('bob','2026-12-05 11:00:00')");
  db.Exec("INSERT INTO calls (towho,calltime,read) VALUES ('bob','2026-12-01 10:00:00',0)");
  Init();
  chat.Enter("carl", 1);
  ASSERT_EQ(Login("bob", "pw"), "");
  EXPECT_EQ(
      Ring(2, ring_field::kText),
      R"('<\script>window.open(\'getcall.asp\',\'\',\'width=550,height=300,scrollbars=1\');</\script>)"
      R"(【系统】bob:有聊友给你留言哟！[<a href=guest.asp target=guestbook>观看</a>]<br>)"
      R"(【系统】carl向你发出好友申请，你是[<a href=\'agreefriend.asp?ID=7&answer=yes\' onclick=\'parent.input.document.forms[0].saystemp.focus()\' target=newsay>同意</a>]还是[<a href=\'agreefriend.asp?ID=7&answer=no\' onclick=\'parent.input.document.forms[0].saystemp.focus()\' target=newsay>不同意</a>]？<br>)"
      R"(【系统】eve向你发出好友申请，你是[<a href=\'agreefriend.asp?ID=9&answer=yes\' onclick=\'parent.input.document.forms[0].saystemp.focus()\' target=newsay>同意</a>]还是[<a href=\'agreefriend.asp?ID=9&answer=no\' onclick=\'parent.input.document.forms[0].saystemp.focus()\' target=newsay>不同意</a>]？<br>)"
      R"(【系统】在线好友：<font class=a color=#880088 onclick=javascript:parent.chuser(\'carl\') >carl</font>，快快与好友联系吧！<br>)"
      R"(','Bob','',1,'','',-5,'12:00:00',)");
}

TEST_P(UserRowTest, AReturningUsersRowIsBroughtUpToDateAndHeEntersUnderHisStoredSpelling) {
  AddUser("Bob", "pw", 3, 4);
  ASSERT_EQ(Login("bob", "pw", {.address = "10.7.7.7"}), "");
  EXPECT_EQ(chat.db.Scalar("SELECT '['||temppass||']'||visit_num||'|'||last_ip||'|'||"
                           "in_time||'|'||out_time||'|'||first_ip FROM user"),
            "[ ]5|10.7.7.7|2026-12-06 12:00:00|2026-12-06 12:00:00|10.9.9.9");
  EXPECT_EQ(convert::ToText(session().Get("myname")), "Bob");
  EXPECT_EQ(Record("Bob", user_field::kSex), "1");
  EXPECT_EQ(Record("Bob", user_field::kLevel), "3");
  EXPECT_EQ(Record("Bob", user_field::kFace), "1020");
}

// Bob left at 10:00:00, carl at 10:00:02; a call to everybody came at 10:00:01.
TEST_P(UserRowTest, OnlyWhatCameAfterTheLastExitIsAnnounced) {
  AddUser("bob", "pw");
  AddUser("carl", "pw", 1, 4, "dave erin");
  auto& db = chat.db;
  db.Exec("UPDATE user SET out_time='2026-12-05 10:00:02' WHERE username='carl'");
  db.Exec(
      "INSERT INTO calls (towho,calltime,read) VALUES ('大家','2026-12-05 10:00:01',1),"
      "('carl','2026-12-05 11:00:00',1)");
  db.Exec("INSERT INTO guestbook (towho,post_time) VALUES ('carl','2026-12-05 10:00:01')");
  Init();
  chat.Enter("eve", 1);
  ASSERT_EQ(Login("bob", "pw"), "");
  EXPECT_EQ(
      Ring(2, ring_field::kText),
      R"('<\script>window.open(\'getcall.asp\',\'\',\'width=550,height=300,scrollbars=1\');</\script>','bob','',1,'','',-5,'12:00:00',)");
  ASSERT_EQ(Login("carl", "pw"), "");
  EXPECT_EQ(Text("_current"), "3");  // carl's announcement and no notice
}

INSTANTIATE_TEST_SUITE_P(Db, UserRowTest, kBothBackends, BackendName);

}  // namespace
}  // namespace ravochat::testing
