// The in-memory session store.
#include "server/sessions.h"

#include <regex>
#include <set>

#include "gtest/gtest.h"

namespace ravochat::server {
namespace {

TEST(SessionStore, IdsAre128RandomBitsInHex) {
  std::set<std::string> ids;
  for (int i = 0; i < 100; ++i) ids.insert(NewSessionId());
  EXPECT_EQ(ids.size(), 100u);
  EXPECT_TRUE(std::regex_match(*ids.begin(), std::regex("[0-9a-f]{32}")));
}

TEST(SessionStore, AFoundSessionIsTheOneCreated) {
  ManualClock clock;
  SessionStore store(clock);
  std::string id;
  auto session = store.Create(id);
  session->Set("myname", Value("amy"));
  EXPECT_EQ(store.Find(id), session);
  EXPECT_EQ(store.Find("0123"), nullptr);
}

TEST(SessionStore, UseKeepsASessionAliveAndIdlenessEndsIt) {
  ManualClock clock;
  SessionStore store(clock, 1200);
  std::string id;
  store.Create(id);
  clock.Advance(1200);
  EXPECT_NE(store.Find(id), nullptr);  // used now: the idle time starts again
  clock.Advance(1201);
  EXPECT_EQ(store.Find(id), nullptr);
}

TEST(SessionStore, ExpireDropsOnlyIdleSessions) {
  ManualClock clock;
  SessionStore store(clock, 60);
  std::string old_id, new_id;
  store.Create(old_id);
  clock.Advance(40);
  store.Create(new_id);
  clock.Advance(21);
  EXPECT_EQ(store.Expire(), 1u);
  EXPECT_EQ(store.size(), 1u);
  EXPECT_NE(store.Find(new_id), nullptr);
}

TEST(SessionStore, RemoveForgetsAtOnce) {
  ManualClock clock;
  SessionStore store(clock);
  std::string id;
  store.Create(id);
  store.Remove(id);
  EXPECT_EQ(store.Find(id), nullptr);
}

}  // namespace
}  // namespace ravochat::server
