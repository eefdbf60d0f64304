// The restraint memory: windows that slide with the clock, strikes that last while a window
// holds events, and sent-away tokens taken once.
#include "state/restraints.h"

#include <gtest/gtest.h>

namespace ravochat::state {
namespace {

TEST(Restraints, AWindowCountsTheEventsOfItsLastSecondsAndForgetsStrikesWhenItEmpties) {
  Restraints r;
  EXPECT_EQ(r.Note("post:a", Date{100}, 10), 1u);
  EXPECT_EQ(r.Note("post:a", Date{105}, 10), 2u);
  EXPECT_EQ(r.Note("post:b", Date{105}, 10), 1u);
  EXPECT_EQ(r.Strike("post:a"), 1);
  EXPECT_EQ(r.Strike("post:a"), 2);
  EXPECT_EQ(r.Note("post:a", Date{110}, 10), 2u);  // the event at 100 is 10 seconds old
  EXPECT_EQ(r.Strike("post:a"), 3);
  EXPECT_EQ(r.Note("post:a", Date{200}, 10), 1u);
  EXPECT_EQ(r.Strike("post:a"), 1);
  r.Forget("post:a");
  EXPECT_EQ(r.Note("post:a", Date{200}, 10), 1u);
}

TEST(Restraints, ASentAwayTokenIsTakenOnceAndAnEmptyOneNever) {
  Restraints r;
  r.SendAway("t1");
  r.SendAway("");
  EXPECT_FALSE(r.TakeSentAway(""));
  EXPECT_TRUE(r.TakeSentAway("t1"));
  EXPECT_FALSE(r.TakeSentAway("t1"));
}

}  // namespace
}  // namespace ravochat::state
