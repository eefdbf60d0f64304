// The component's frame: its version.
#include "ravochat/lumochat.h"

#include <gtest/gtest.h>

namespace ravochat {
namespace {

TEST(Lumochat, GetVerGivesTheVersionWithoutLeadingZeros) {
  ManualClock clock;
  lumochat chat(clock);
  EXPECT_EQ(chat.GetVer(), "3.1.2");
}

}  // namespace
}  // namespace ravochat
