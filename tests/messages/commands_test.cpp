// The special lines: "//" and "/action" commands, room titles and the room robot's answers.
#include <gtest/gtest.h>

#include <string>

#include "core/records.h"
#include "messages/messages_fixture.h"
#include "messages/posting.h"

namespace ravochat::messages {
namespace {

class Commands : public MessagesTest {
 protected:
  Commands() {
    chat.db.Exec(
        "INSERT INTO action (act_name, toall, toself, toother) VALUES "
        "('hug', '##hugs all', '##hugs self', '##hugs %%')");
    chat.Enter("amy", 1);
    chat.Enter("bob", 1);
    chat.Enter("owner", 1);
    chat.Enter("tia", 1, 3);
  }

  std::string NewestText() {
    return convert::ToText(chat.Get("_says").At(Newest() % 101, ring_field::kText));
  }
};

TEST_F(Commands, ADoubleSlashLineIsStoredWithHashesAppended) {
  Post("amy", "//waves");
  EXPECT_EQ(NewestText(), "'waves##','amy','大家',0,'000000','',-1,'12:00:00',");
  Post("amy", "//a##b");
  EXPECT_EQ(NewestText(), "'a##b','amy','大家',0,'000000','',-1,'12:00:00',");
}

TEST_F(Commands, AnActionToEveryoneReadsItsTextForEveryone) {
  Post("amy", "/hug");
  EXPECT_EQ(NewestText(),
            "'##hugs all<font color=990099>[/hug]</font>','amy','大家',0,'000000','',-1,"
            "'12:00:00',");
}

TEST_F(Commands, AnActionToAnotherVisitorReadsItsTextForAnother) {
  Post("amy", "/hug", "bob");
  EXPECT_EQ(NewestText(),
            "'##hugs %%<font color=990099>[/hug]</font>','amy','bob',0,'000000','',-1,"
            "'12:00:00',");
}

TEST_F(Commands, AllAfterTheActionReadsTheTextForEveryoneButKeepsTheTarget) {
  Post("amy", "/hug all", "bob", {{"secret", "true"}});
  EXPECT_EQ(NewestText(),
            "'##hugs all<font color=990099>[/hug]</font>','amy','bob',1,'000000','',-1,"
            "'12:00:00',");
}

TEST_F(Commands, SelfAfterTheActionReadsTheTextForOneself) {
  Post("amy", "/hug self");
  EXPECT_EQ(NewestText(),
            "'##hugs self<font color=990099>[/hug]</font>','amy','大家',0,'000000','',-1,"
            "'12:00:00',");
}

TEST_F(Commands, AnUnknownActionGivesTheSystemLineAndStoresNothing) {
  EXPECT_NE(Post("amy", "/dance")
                .find("parent.addsay(-1,'【系统】没有动作「dance」！','','amy',0,"
                      "'990066','',-2,'12:00:00');"),
            std::string::npos);
  EXPECT_EQ(Newest(), 0);
}

TEST_F(Commands, ASlashAloneLooksForTheEmptyAction) {
  EXPECT_NE(Post("amy", "/").find("'【系统】没有动作「」！'"), std::string::npos);
}

TEST_F(Commands, AnActionNameWithQuotesIsOnlyEverAName) {
  EXPECT_NE(Post("amy", "/x' OR 'a'='a").find("没有动作「x\\'"), std::string::npos);
  EXPECT_EQ(Newest(), 0);
}

TEST_F(Commands, TheOwnerSetsTheRoomTitleCutEscapedAndSigned) {
  Post("owner", "a'bcdefg", "大家", {{"istitle", "1"}});
  const std::string title = "a&#39;bcd<font style=color:990099>(owner,12:00:00)</font>";
  EXPECT_EQ(Field("_room_list", "1", room_field::kTitle), title);
  EXPECT_EQ(chat.db.Scalar("SELECT room_title FROM room WHERE ID=1"), title);
  EXPECT_EQ(NewestText(), "'<\\script>parent.chftitle(\\'" + title +
                              "\\')</\\script>','owner','大家',0,'000000','',-5,'12:00:00',");
}

TEST_F(Commands, AVisitorOfTheTitleLevelSetsTheTitleForEveryone) {
  Post("tia", "[new]", "bob", {{"istitle", "1"}, {"secret", "true"}});
  EXPECT_EQ(Field("_room_list", "1", room_field::kTitle),
            "[new]<font style=color:990099>(tia,12:00:00)</font>");
  EXPECT_EQ(NewestText(),
            "'<\\script>parent.chftitle(\\'&#91;new]<font style=color:990099>(tia,12:00:00)"
            "</font>\\')</\\script>','tia','大家',0,'000000','',-5,'12:00:00',");
}

TEST_F(Commands, ATitleFromAVisitorBelowTheLevelIsAnOrdinaryLine) {
  std::string before = Field("_room_list", "1", room_field::kTitle);
  Post("amy", "mine", "大家", {{"istitle", "1"}});
  EXPECT_EQ(Field("_room_list", "1", room_field::kTitle), before);
  EXPECT_EQ(NewestText(), "'mine','amy','大家',0,'000000','',0,'12:00:00',");
}

class Robot : public Commands {
 protected:
  Robot() { chat.Set("_autosay_count", "1"); }
};

TEST_F(Robot, AnswersPrivatelyWithItsRowAndStoresNothing) {
  chat.db.Exec("INSERT INTO autoact (id, text_body) VALUES (0, 'beep''s')");
  EXPECT_EQ(Post("amy", "hi", "robot", {{"addsays", "3"}, {"addwordcolor", "ff0000"}}),
            std::string(kHead) + kPoll +
                "parent.addsay(-1,'hi','amy','robot',1,'000000','ff0000',3,'12:00:00');"
                "parent.addsay(-1,'beep\\'s','robot','amy',1,'ff0000','000000',3,'12:00:00');"
                "parent.ref(0);</script>");
  EXPECT_EQ(Newest(), 0);
}

TEST_F(Robot, AnswersWithTheRawActCodeAndTheFixedReplyWhenItsRowIsMissing) {
  EXPECT_EQ(Post("amy", "hi", "robot", {{"addsays", "-4"}}),
            std::string(kHead) + kPoll +
                "parent.addsay(-1,'hi','amy','robot',1,'000000','',0,'12:00:00');"
                "parent.addsay(-1,'我什么都不知道，真的，不骗你！','robot','amy',1,'','000000',-4,"
                "'12:00:00');parent.ref(0);</script>");
}

TEST(RobotRow, DrawsFromZeroToOneBelowTheCount) {
  EXPECT_EQ(RobotRow(0.0, 1), 0);
  EXPECT_EQ(RobotRow(0.999, 1), 0);
  EXPECT_EQ(RobotRow(0.0, 5), 0);
  EXPECT_EQ(RobotRow(0.2, 5), 1);
  EXPECT_EQ(RobotRow(0.999, 5), 4);
}

}  // namespace
}  // namespace ravochat::messages
