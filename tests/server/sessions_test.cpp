// The in-memory session store.
#include "server/sessions.h"

#include "gtest/gtest.h"

namespace ravochat::server {
namespace {

TEST(MemorySessionStore, ExpireDropsOnlySessionsIdleForLongerThanTheLimit) {
  ManualClock clock;
  MemorySessionStore store(clock, 60);
  std::string old_id, new_id;
  store.Create(old_id);
  clock.Advance(40);
  store.Create(new_id);
  clock.Advance(20);
  EXPECT_EQ(store.Expire(), 0u);  // exactly the limit
  clock.Advance(1);
  EXPECT_EQ(store.Expire(), 1u);
  EXPECT_EQ(store.Find(old_id), nullptr);
  EXPECT_NE(store.Find(new_id), nullptr);
}

}  // namespace
}  // namespace ravochat::server
