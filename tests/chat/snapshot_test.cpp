// The state snapshot: a chat's running values and sessions saved and taken back whole, once;
// a snapshot that is old, of another format or damaged is refused and gone all the same.
#include "ravochat/snapshot.h"

#include <gtest/gtest.h>

#include "core/app_keys.h"
#include "ravochat/database.h"
#include "support/chat_fixture.h"

namespace ravochat {
namespace {

using testing::ChatFixture;

constexpr std::int64_t kMaxAge = 180;

class SnapshotTest : public ::testing::Test {
 protected:
  SnapshotTest() {
    chat_.Room(1, "大厅");
    chat_.Init();
    chat_.Enter("amy", 1);
    MemorySession& session = chat_.Enter("bob", 1);
    session.Set("token", Value::Array({Value(1), Value("x")}));
    auto component = chat_.Component();
    Value says = chat_.Get(app_key::kSays), current = chat_.Get(app_key::kCurrent);
    component->Newsay("amy", "大家", 0, 1, "hi", "#000", "#00f", 0, says, current);
    chat_.Set(app_key::kSays, says);
    chat_.Set(app_key::kCurrent, current);
    chat_.Set(app_key::kVisitor, Value(41));
    snapshot_.chats["c1"] = CaptureChat(chat_.app, "c1");
    snapshot_.sessions.push_back({"c1", "0123", chat_.clock.Now(), session.Values()});
  }

  std::optional<Snapshot> Take() { return TakeSnapshot(chat_.db.connstr(), chat_.clock, kMaxAge); }

  ChatFixture chat_{"c1"};
  Snapshot snapshot_;
};

TEST_F(SnapshotTest, AChatAndItsSessionsComeBackAsTheyWereAndOnlyOnce) {
  SaveSnapshot(chat_.db.connstr(), chat_.clock, snapshot_);
  chat_.clock.Advance(kMaxAge);
  const std::optional<Snapshot> taken = Take();
  ASSERT_TRUE(taken);
  EXPECT_FALSE(Take());

  MemoryApplication app;  // a new process: the chat loaded afresh, nobody online
  lumochat loader(chat_.clock);
  loader.ConstStr = "c1";
  loader.OpenChat(app, chat_.db.connstr());
  RestoreChat(app, "c1", taken->chats.at("c1"), chat_.clock);
  EXPECT_EQ(CaptureChat(app, "c1"), snapshot_.chats["c1"]);
  EXPECT_TRUE(CaptureChat(app, "c1")["_user_list"].AsText()->starts_with("<$amy$>amy$>"));
  ASSERT_EQ(taken->sessions.size(), 1u);
  EXPECT_EQ(taken->sessions[0].id, "0123");
  EXPECT_EQ(taken->sessions[0].last_used, snapshot_.sessions[0].last_used);
  EXPECT_EQ(taken->sessions[0].values, snapshot_.sessions[0].values);
}

TEST_F(SnapshotTest, AnOldOtherOrDamagedSnapshotIsRefusedAndDeleted) {
  const std::vector<std::pair<std::string, std::int64_t>> damages = {
      {"", kMaxAge + 1},
      {"UPDATE state_snapshot SET version=2", 0},
      {"UPDATE state_snapshot SET body='t9:x' WHERE name='_says'", 0},
      {"UPDATE state_snapshot SET body='i5;' WHERE name='_current'", 0},  // the ring has 1 row
      {"UPDATE state_snapshot SET kind='other' WHERE kind='session'", 0},
      {"DELETE FROM state_snapshot WHERE name='_hour24'", 0},
      {"UPDATE state_snapshot SET saved_time='2026-12-06 11:59:59' WHERE name='_says'", 0},
  };
  for (const auto& [damage, age] : damages) {
    SaveSnapshot(chat_.db.connstr(), chat_.clock, snapshot_);
    if (!damage.empty()) chat_.db.Exec(damage);
    chat_.clock.Advance(age);
    EXPECT_THROW(Take(), Error) << damage;
    EXPECT_EQ(chat_.db.Scalar("SELECT count(*) FROM state_snapshot"), "0") << damage;
    chat_.clock.Advance(-age);
  }
}

TEST_F(SnapshotTest, ASaveThatFailsKeepsTheEarlierSnapshot) {
  SaveSnapshot(chat_.db.connstr(), chat_.clock, snapshot_);
  chat_.db.Exec(
      "CREATE TRIGGER no_sessions BEFORE INSERT ON state_snapshot WHEN NEW.kind='session' "
      "BEGIN SELECT RAISE(ABORT, 'refused'); END");
  snapshot_.chats["c1"]["_visitor"] = Value(99);
  EXPECT_THROW(SaveSnapshot(chat_.db.connstr(), chat_.clock, snapshot_), DatabaseError);
  EXPECT_EQ(Take()->chats.at("c1").at("_visitor"), Value(41));
}

}  // namespace
}  // namespace ravochat
