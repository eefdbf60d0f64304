// Configuration loading: preglobal_1 and InitGlobal over databases made from the real schema;
// and the case-insensitive keys of the in-memory host objects it loads into.
#include <gtest/gtest.h>

#include "core/convert.h"
#include "core/keyed_list.h"
#include "ravochat/error.h"
#include "ravochat/host.h"
#include "support/chat_fixture.h"
#include "support/temp_database.h"

namespace ravochat {
namespace {

using testing::ChatFixture;
using testing::FixtureStart;
using testing::TempDatabase;

std::string Text(const Value& v) { return convert::ToText(v); }

std::vector<Value> Cells(const Grid& grid) {
  std::vector<Value> cells;
  for (std::size_t row = 0; row < grid.rows; ++row) {
    for (std::size_t col = 0; col < grid.cols; ++col) cells.push_back(grid.Cell(row, col));
  }
  return cells;
}

TEST(InitGlobal, ANewDatabaseLoadsIntoAWorkingChat) {
  TempDatabase db(true);
  ManualClock clock(FixtureStart());
  MemoryApplication app;
  app.Set("_connstr", Value(db.connstr()));
  lumochat chat(clock);
  chat.InitGlobal(app);

  EXPECT_EQ(app.Get("_autosay_count"), Value(12));
  EXPECT_EQ(app.Get("_says").GetGrid().rows, 3000u);  // "_maxtalk" is 2999
  EXPECT_EQ(keyed_list::CountRecords(Text(app.Get("_room_list"))), 4u);
  EXPECT_EQ(app.Get("_bbss").GetGrid().rows, 2u);
}

class Configuration : public ::testing::Test {
 protected:
  void SetUp() override { chat_.Set("_connstr", Value(chat_.db.connstr())); }
  void Preglobal() { chat_.Component()->preglobal_1(chat_.app); }

  ChatFixture chat_;
};

TEST_F(Configuration, PreglobalStoresTheLastRowOfEachAliasAndTheDerivedValuesOnly) {
  chat_.db.Exec("INSERT INTO sysparam (alias, body) VALUES ('maxtalk', '5'), ('maxtalk', '9')");
  chat_.clock.Set(convert::FromCivil({2026, 12, 6, 7, 8, 9}));
  chat_.Set("_user_list", Value("x"));
  Preglobal();
  // The lists are InitGlobal's: preglobal alone leaves them alone.
  EXPECT_EQ(chat_.Get("_user_list"), Value("x"));
  EXPECT_TRUE(chat_.Get("_says").IsEmpty());
  EXPECT_EQ(chat_.Get("_maxtalk"), Value("9"));
  EXPECT_EQ(chat_.Get("_init"), Value("true"));
  EXPECT_EQ(chat_.Get("_autosay_count"), Value(0));
  EXPECT_EQ(chat_.Get("_bbss"), Value(""));
  EXPECT_EQ(chat_.Get("_chatroomclock"), Value(chat_.clock.Now()));
  EXPECT_EQ(chat_.Get("_chatopentime"), Value(chat_.clock.Now()));
  Value votes = Value::Array(10);
  votes.MutableElements()[0] = Value(0);
  EXPECT_EQ(chat_.Get("_votes"), votes);
}

TEST_F(Configuration, AtMostTheSixNewestNoticesAreKeptTrimmed) {
  for (int id = 1; id <= 7; ++id) {
    chat_.db.Exec("INSERT INTO scrollad (ID, ad_title, ad_link) VALUES (?, ?, ?)",
                  {id, " t" + std::to_string(id) + " ", " l" + std::to_string(id)});
  }
  Preglobal();
  const Grid& news = chat_.Get("_bbss").GetGrid();
  EXPECT_EQ(news.cols, 2u);
  EXPECT_EQ(Cells(news), (std::vector<Value>{"l7", "t7", "l6", "t6", "l5", "t5", "l4", "t4", "l3",
                                             "t3", "l2", "t2"}));
}

TEST_F(Configuration, RoomsAreListedInIdOrderANullColumnAsAnEmptyField) {
  chat_.Room(3, "c");
  chat_.db.Exec(
      "INSERT INTO room (ID, room_name, room_des, room_tt, room_html) "
      "VALUES (2, 'b', NULL, NULL, NULL)");
  chat_.Room(1, "a", "ann");
  chat_.Init();
  EXPECT_EQ(Text(chat_.Get("_room_list")),
            "<$1$>a$>ann$>robot$>$>$>$>0$>2026-12-06 12:00:00$>0$>0$>0$>2026-12-06 12:00:00$>$>$>"
            "0$>1$><$1$><$2$>b$>$>$>$>$>$>0$>$>$>$>0$>$>$>$>0$>1$><$2$>"
            "<$3$>c$>$>robot$>$>$>$>0$>2026-12-06 12:00:00$>0$>0$>0$>2026-12-06 12:00:00$>$>$>"
            "0$>1$><$3$>");
}

TEST_F(Configuration, InitGlobalDropsEveryoneOnlineAndForgetsTheMessages) {
  chat_.Room(1, "a");
  chat_.Init();
  chat_.Enter("ann", 1);
  chat_.Set("_current", Value(4));
  chat_.Component()->InitGlobal(chat_.app);
  EXPECT_EQ(chat_.Get("_user_list"), Value(""));
  EXPECT_EQ(chat_.Get("_current"), Value(0));
  EXPECT_EQ(Text(chat_.Get("_room_list")).find("ann"), std::string::npos);
  Value ring = Value::MakeGrid(1, 6);  // no "_maxtalk": one row
  ring.MutableAt(0, 0) = Value(0);
  EXPECT_EQ(chat_.Get("_says"), ring);
}

// The polling walks count ring rows in 16 bits, so a larger ring could never be read.
TEST_F(Configuration, AMaxtalkOutside0To32767FailsAfterTheConfigurationBeforeTheLists) {
  chat_.Param("nosaytimeout", "30");
  chat_.Set("_user_list", Value("x"));
  chat_.Param("maxtalk", "many");
  EXPECT_THROW(chat_.Init(), ConversionError);
  chat_.Param("maxtalk", "-1");
  EXPECT_THROW(chat_.Init(), ConversionError);
  chat_.Param("maxtalk", "32768");
  EXPECT_THROW(chat_.Init(), OverflowError);
  EXPECT_EQ(chat_.Get("_nosaytimeout"), Value("30"));
  EXPECT_EQ(chat_.Get("_user_list"), Value("x"));
  EXPECT_TRUE(chat_.Get("_says").IsEmpty());
  chat_.Param("maxtalk", "32767");
  EXPECT_NO_THROW(chat_.Init());
}

TEST(ConfigurationPrefix, TwoChatsInOneApplicationKeepSeparateValues) {
  TempDatabase first(true);
  ChatFixture second("c2");
  second.Param("maxtalk", "5");
  second.Init();
  lumochat c1(second.clock);
  c1.ConstStr = "c1";
  second.app.Set("c1_connstr", Value(first.connstr()));
  c1.InitGlobal(second.app);
  EXPECT_EQ(second.app.Get("c1_maxtalk"), Value("2999"));
  EXPECT_EQ(second.app.Get("c2_maxtalk"), Value("5"));
  EXPECT_EQ(second.Get("_room_list"), Value(""));
  EXPECT_TRUE(second.app.Get("_maxtalk").IsEmpty());
}

TEST(MemoryHost, KeysIgnoreTheLetterCaseOfAsciiOnly) {
  MemoryApplication app;
  app.Set("C1_User_List", Value("x"));
  app.Set("c1_USER_LIST", Value("y"));
  EXPECT_EQ(app.Get("c1_user_list"), Value("y"));
  EXPECT_TRUE(app.Get("c2_user_list").IsEmpty());
  MemorySession session;
  session.Set("MyName", Value("amy"));
  EXPECT_EQ(session.Get("myname"), Value("amy"));
  EXPECT_TRUE(CaseInsensitiveLess()("[", "Z")) << "Z folds to z, which sorts after [";
}

}  // namespace
}  // namespace ravochat
