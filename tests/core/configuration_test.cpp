// Configuration loading: preglobal_1 and InitGlobal over databases made from the real schema.
#include <gtest/gtest.h>

#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/records.h"
#include "ravochat/error.h"
#include "support/chat_fixture.h"
#include "support/temp_database.h"

namespace ravochat {
namespace {

using testing::ChatFixture;
using testing::FixtureStart;
using testing::TempDatabase;

std::string Text(const Value& v) { return convert::ToText(v); }

TEST(InitGlobal, ANewDatabaseLoadsIntoAWorkingChat) {
  TempDatabase db(true);
  db.Exec("UPDATE room SET room_time='2026-12-01 08:00:00', build_time='2026-11-30 09:30:00'");
  ManualClock clock(FixtureStart());
  MemoryApplication app;
  app.Set("_connstr", Value(db.connstr()));
  lumochat(clock).InitGlobal(app);

  EXPECT_EQ(app.Get("_init"), Value("true"));
  EXPECT_EQ(app.Get("_maxtalk"), Value("100"));
  EXPECT_EQ(app.Get("_autosay_count"), Value(12));
  EXPECT_EQ(app.Get("_current"), Value(0));
  EXPECT_EQ(app.Get("_user_list"), Value(""));
  EXPECT_EQ(Text(app.Get("_room_list")),
            "<$1$>大厅$>站长$>小灵$>聊天室的大厅，新朋友老朋友都在这里。$>欢迎来到大厅$>"
            "请文明聊天，友善待人$>1$>2026-12-01 08:00:00$>0$>0$>0$>2026-11-30 09:30:00$>$>$>0$>1$>"
            "<$1$>"
            "<$2$>情感天地$>小雨$>阿呆$>说说心里话，聊聊喜怒哀乐。$>有话慢慢说$>真心换真心$>1$>"
            "2026-12-01 08:00:00$>0$>0$>0$>2026-11-30 09:30:00$>$>$>0$>1$><$2$>"
            "<$3$>校园青春$>阿峰$>小白$>同学们的聚会角落，功课恋爱都能聊。$>青春无悔$>"
            "今天你上课了吗$>1$>2026-12-01 08:00:00$>0$>0$>0$>2026-11-30 09:30:00$>$>$>0$>1$><$3$>"
            "<$4$>天南地北$>老王$>小黑$>五湖四海的朋友，说说你那里的风土人情。$>四海之内皆兄弟$>"
            "你从哪里来$>1$>2026-12-01 08:00:00$>0$>0$>0$>2026-11-30 09:30:00$>$>$>0$>1$><$4$>");
}

TEST(InitGlobal, TheRingHasMaxtalkPlusOneRowsAllNumberedZero) {
  TempDatabase db(true);
  ManualClock clock(FixtureStart());
  MemoryApplication app;
  app.Set("_connstr", Value(db.connstr()));
  lumochat(clock).InitGlobal(app);

  const Grid& ring = app.Get("_says").GetGrid();
  ASSERT_EQ(ring.rows, 101u);
  ASSERT_EQ(ring.cols, 6u);
  for (std::size_t row = 0; row < ring.rows; ++row) {
    EXPECT_EQ(ring.cells[row * 6], Value(0)) << row;
    for (std::size_t col = 1; col < 6; ++col) EXPECT_TRUE(ring.cells[row * 6 + col].IsEmpty());
  }
}

TEST(InitGlobal, TheNewsLinesComeNewestFirst) {
  TempDatabase db(true);
  ManualClock clock(FixtureStart());
  MemoryApplication app;
  app.Set("_connstr", Value(db.connstr()));
  lumochat(clock).InitGlobal(app);

  const Grid& news = app.Get("_bbss").GetGrid();
  ASSERT_EQ(news.rows, 2u);
  EXPECT_EQ(news.cells[1], Value("新朋友请先看看聊天室的使用说明。"));
  EXPECT_EQ(news.cells[3], Value("欢迎光临本聊天室，请文明聊天，友善待人！"));
  EXPECT_EQ(news.cells[0], Value("help.htm"));
}

class Configuration : public ::testing::Test {
 protected:
  void SetUp() override { chat_.Set("_connstr", Value(chat_.db.connstr())); }
  void Preglobal() { chat_.Component()->preglobal_1(chat_.app); }

  ChatFixture chat_;
};

TEST_F(Configuration, AnEmptyParameterTableStillSetsTheDerivedValues) {
  chat_.clock.Set(convert::FromCivil({2026, 12, 6, 7, 8, 9}));
  Preglobal();
  EXPECT_EQ(chat_.Get("_init"), Value("true"));
  EXPECT_EQ(chat_.Get("_autosay_count"), Value(0));
  EXPECT_EQ(chat_.Get("_bbss"), Value(""));
  EXPECT_EQ(chat_.Get("_chatroomclock"), Value(chat_.clock.Now()));
  EXPECT_EQ(chat_.Get("_chatopentime"), Value(chat_.clock.Now()));
  const std::vector<Value>& votes = chat_.Get("_votes").Elements();
  ASSERT_EQ(votes.size(), 10u);
  EXPECT_EQ(votes[0], Value(0));
  for (std::size_t i = 1; i < 10; ++i) EXPECT_TRUE(votes[i].IsEmpty()) << i;
}

TEST_F(Configuration, EveryRowBecomesAnUnderscoreKeyWithItsBodyAsText) {
  chat_.Param("maxtalk", "100");
  chat_.Param("l_vote", "7");
  Preglobal();
  EXPECT_EQ(chat_.Get("_maxtalk"), Value("100"));
  EXPECT_EQ(chat_.Get("_l_vote"), Value("7"));
}

TEST_F(Configuration, ALaterRowOfTheSameAliasWins) {
  chat_.db.Exec("INSERT INTO sysparam (alias, body) VALUES ('maxtalk', '5'), ('maxtalk', '9')");
  Preglobal();
  EXPECT_EQ(chat_.Get("_maxtalk"), Value("9"));
}

TEST_F(Configuration, AtMostTheSixNewestNoticesAreKeptTrimmed) {
  for (int id = 1; id <= 9; ++id) {
    chat_.db.Exec("INSERT INTO scrollad (ID, ad_title, ad_link) VALUES (?, ?, ?)",
                  {id, " t" + std::to_string(id) + " ", " l" + std::to_string(id)});
  }
  Preglobal();
  const Grid& news = chat_.Get("_bbss").GetGrid();
  ASSERT_EQ(news.rows, 6u);
  ASSERT_EQ(news.cols, 2u);
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(news.cells[i * 2], Value("l" + std::to_string(9 - i)));
    EXPECT_EQ(news.cells[i * 2 + 1], Value("t" + std::to_string(9 - i)));
  }
}

TEST_F(Configuration, PreglobalAloneLeavesTheListsAlone) {
  chat_.Param("maxtalk", "10");
  chat_.Room(1, "大厅");
  chat_.Init();
  chat_.Enter("ann", 1);
  Value ring = chat_.Get("_says");
  chat_.Param("maxtalk", "20");
  Preglobal();
  EXPECT_EQ(chat_.Get("_maxtalk"), Value("20"));
  EXPECT_EQ(chat_.Get("_says"), ring);
  EXPECT_NE(Text(chat_.Get("_user_list")), "");
}

TEST_F(Configuration, AnEmptyRoomTableGivesAnEmptyRoomList) {
  chat_.Param("maxtalk", "3");
  chat_.Init();
  EXPECT_EQ(chat_.Get("_room_list"), Value(""));
  EXPECT_EQ(chat_.Get("_says").GetGrid().rows, 4u);
}

TEST_F(Configuration, ANullColumnIsAnEmptyFieldOfASixteenFieldRecord) {
  chat_.db.Exec(
      "INSERT INTO room (ID, room_name, room_des, room_tt, room_html) "
      "VALUES (7, 'x', NULL, NULL, NULL)");
  chat_.Init();
  EXPECT_EQ(Text(chat_.Get("_room_list")), "<$7$>x$>$>$>$>$>$>0$>$>$>$>0$>$>$>$>0$>1$><$7$>");
}

TEST_F(Configuration, RoomsAreListedInIdOrder) {
  chat_.Room(3, "c");
  chat_.Room(1, "a", "ann");
  chat_.Init();
  EXPECT_EQ(Text(chat_.Get("_room_list")),
            "<$1$>a$>ann$>robot$>$>$>$>0$>2026-12-06 12:00:00$>0$>0$>0$>2026-12-06 12:00:00$>$>$>"
            "0$>1$><$1$><$3$>c$>$>robot$>$>$>$>0$>2026-12-06 12:00:00$>0$>0$>0$>"
            "2026-12-06 12:00:00$>$>$>0$>1$><$3$>");
}

TEST_F(Configuration, InitGlobalDropsEveryoneOnlineAndForgetsTheMessages) {
  chat_.Param("maxtalk", "10");
  chat_.Room(1, "大厅");
  chat_.Init();
  chat_.Enter("ann", 1);
  chat_.Set("_current", Value(4));
  chat_.Component()->InitGlobal(chat_.app);
  EXPECT_EQ(chat_.Get("_user_list"), Value(""));
  EXPECT_EQ(chat_.Get("_current"), Value(0));
  EXPECT_EQ(
      keyed_list::SplitFields(keyed_list::SplitRecord(Text(chat_.Get("_room_list")), "1").body)
          .at(room_field::kOccupants),
      "");
}

TEST_F(Configuration, ANonNumericMaxtalkFailsAfterTheConfigurationBeforeTheLists) {
  chat_.Param("maxtalk", "many");
  chat_.Param("nosaytimeout", "30");
  chat_.Set("_user_list", Value("<$ann$>x$><$ann$>"));
  EXPECT_THROW(chat_.Init(), ConversionError);
  EXPECT_EQ(chat_.Get("_init"), Value("true"));
  EXPECT_EQ(chat_.Get("_nosaytimeout"), Value("30"));
  EXPECT_EQ(chat_.Get("_user_list"), Value("<$ann$>x$><$ann$>"));
  EXPECT_TRUE(chat_.Get("_says").IsEmpty());
  EXPECT_TRUE(chat_.Get("_room_list").IsEmpty());
}

TEST_F(Configuration, ARingTooLargeToPollOrANegativeOneIsRefused) {
  chat_.Param("maxtalk", "32768");
  EXPECT_THROW(chat_.Init(), OverflowError);
  chat_.Param("maxtalk", "-1");
  EXPECT_THROW(chat_.Init(), ConversionError);
  chat_.Param("maxtalk", "32767");
  EXPECT_NO_THROW(chat_.Init());
}

TEST_F(Configuration, AMissingDatabaseFailsTheLoad) {
  chat_.Set("_connstr", Value("sqlite:/nonexistent/chat.db"));
  EXPECT_THROW(Preglobal(), DatabaseError);
}

TEST(ConfigurationPrefix, TwoChatsInOneApplicationKeepSeparateValues) {
  TempDatabase first(true);
  ChatFixture second("c2");
  second.Param("maxtalk", "5");
  second.Init();
  ManualClock clock(FixtureStart());
  lumochat c1(clock);
  c1.ConstStr = "c1";
  second.app.Set("c1_connstr", Value(first.connstr()));
  c1.InitGlobal(second.app);
  EXPECT_EQ(second.app.Get("c1_maxtalk"), Value("100"));
  EXPECT_EQ(second.app.Get("c2_maxtalk"), Value("5"));
  EXPECT_EQ(second.Get("_room_list"), Value(""));
  EXPECT_TRUE(second.app.Get("_maxtalk").IsEmpty());
}

}  // namespace
}  // namespace ravochat
