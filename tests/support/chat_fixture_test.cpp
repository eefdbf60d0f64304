// The test chat itself: visitors entered the way the login enters them.
#include "support/chat_fixture.h"

#include <gtest/gtest.h>

#include "core/convert.h"
#include "core/keyed_list.h"

namespace ravochat::testing {
namespace {

class ChatFixtureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chat_.Param("maxtalk", "10");
    chat_.Room(1, "大厅", "ann");
    chat_.Room(2, "花园");
    chat_.Init();
  }
  std::string Text(std::string_view name) { return convert::ToText(chat_.Get(name)); }

  ChatFixture chat_{"c1"};
};

TEST_F(ChatFixtureTest, EnterAppendsAFifteenFieldRecordAndTheOccupant) {
  chat_.Enter("ann", 1, 3);
  chat_.clock.Advance(5);
  MemorySession& bob = chat_.Enter("bob", 1);
  EXPECT_EQ(Text("_user_list"),
            "<$ann$>ann$>127.0.0.1$>0$>3$>1$>2026-12-06 12:00:00$>1010$>0$>3$>0$>"
            "2026-12-06 12:00:00$>2026-12-06 12:00:00$>$>$>$><$ann$>"
            "<$bob$>bob$>127.0.0.1$>0$>1$>1$>2026-12-06 12:00:05$>1010$>0$>1$>0$>"
            "2026-12-06 12:00:05$>2026-12-06 12:00:05$>$>$>$><$bob$>");
  EXPECT_NE(Text("_room_list").find("2026-12-06 12:00:00$>ann bob$>$>0$>1$><$1$>"),
            std::string::npos);
  EXPECT_EQ(bob.Get("myname"), Value("bob"));
  EXPECT_EQ(bob.Get("mytemp"), Value("bob"));
}

TEST_F(ChatFixtureTest, TheLastReceivedNumberIsTheNewestInTheRing) {
  Value says = chat_.Get("_says");
  says.MutableAt(3, 0) = Value(57);
  chat_.Set("_says", says);
  chat_.Set("_current", Value(3));
  chat_.Enter("ann", 2);
  EXPECT_NE(Text("_user_list").find("$>0$>1$>57$>"), std::string::npos);
}

TEST_F(ChatFixtureTest, EnteringAgainKeepsOneRecordAtTheEndAndTheSameSession) {
  MemorySession& first = chat_.Enter("ann", 1);
  chat_.Enter("bob", 1);
  MemorySession& again = chat_.Enter("ann", 2);
  EXPECT_EQ(&first, &again);
  std::string users = Text("_user_list");
  EXPECT_EQ(keyed_list::CountRecords(users), 2u);
  EXPECT_TRUE(users.starts_with("<$bob$>"));
  EXPECT_TRUE(
      users.ends_with("$>2$>2026-12-06 12:00:00$>1010$>0$>1$>0$>2026-12-06 12:00:00$>"
                      "2026-12-06 12:00:00$>$>$>$><$ann$>"));
}

}  // namespace
}  // namespace ravochat::testing
