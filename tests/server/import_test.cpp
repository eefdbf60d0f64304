// An existing installation's export, in GBK with mdb-export's quoting and dates, imported
// and served: a user logs in with his old password under his stored spelling, finds his
// guest-book note and his friend online, and the imported rooms and settings are in force.
#include "ravochat/migration.h"

#include "server/server_fixture.h"
#include "support/temp_folder.h"
#include "text/password.h"

namespace ravochat::testing {
namespace {

// The password text an existing installation stored for `password`.
std::string ClassicPassword(const std::string& password) {
  ClassicRandom rng;
  return text::TransformPassword(password, rng);
}

class ImportedChatTest : public ServerTest {
 protected:
  void WriteExport() {
    folder_.Write("user.csv",
                  "UserName,passwd,user_level,log_time,out_time,friends,regmail\n"
                  "\"Bob\",\"" +
                      ClassicPassword("bobpass") +
                      "\",3,\"01/02/05 10:00:00\",\"12/01/26 10:00:00\",\"张三 carl\","
                      "\"bob@example.org\"\n"
                      "\"张三\",\"" +
                      ClassicPassword("zhang99") +
                      "\",1,\"01/02/05 10:00:00\",\"12/01/26 10:00:00\",,\n");
    folder_.Write("guestbook.csv",
                  "ID,who,towho,message,post_time\n"
                  "41,\"张三\",\"Bob\",\"他说：\"\"你好, 朋友\"\"\n再见\",\"12/05/26 09:00:00\"\n");
    folder_.Write("room.csv",
                  "ID,room_name,room_owner,room_keep,build_time,permit_level,door_open\n"
                  "1,\"老友会\",\"Bob\",1,\"01/01/05 00:00:00\",0,1\n");
    folder_.Write("sysparam.csv", "alias,body\n\"maxpeople\",\"300\"\n");
  }

  TempFolder folder_;
};

TEST_P(ImportedChatTest, TheImportedUserLogsInWithHisOldPasswordAndFindsHisNoteAndFriend) {
  WriteExport();
  migration::Options options;
  options.source = folder_.path();
  options.target = db_->connstr();
  const migration::Report report =
      migration::Import(options, clock_, [](const migration::TableCount&, bool) {});
  EXPECT_EQ(report.notes,
            (std::vector<std::string>{
                "the files are read as GBK (detected)",
                "user.csv: the target has no column regmail; its values are left out"}));
  EXPECT_EQ(db_->Scalar("SELECT message FROM guestbook WHERE ID=41"), "他说：\"你好, 朋友\"\n再见");
  Start();
  EXPECT_EQ(AppText("_maxpeople"), "300");
  EXPECT_NE(AppText("_room_list").find("<$1$>老友会$>Bob$>"), std::string::npos);
  CookieLine("张三", "zhang99");  // fails the test when the login is refused
  const std::string bob = CookieLine("bob", "bobpass");
  const std::string poll = Poll(bob);
  EXPECT_NE(poll.find(Gbk("【系统】bob:有聊友给你留言哟！")), std::string::npos) << poll;
  EXPECT_NE(poll.find(Gbk("在线好友：")), std::string::npos) << poll;
  EXPECT_NE(poll.find(Gbk(">张三</font>")), std::string::npos) << poll;
  EXPECT_NE(AppText("_user_list").find("<$Bob$>"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Server, ImportedChatTest, kBothBackends, BackendName);

}  // namespace
}  // namespace ravochat::testing
