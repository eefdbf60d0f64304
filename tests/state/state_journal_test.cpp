// The change entries other processes replay: what is written reads back change for change,
// and an entry that is damaged or names an unknown kind of change is refused whole.
#include "state/state_journal.h"

#include <gtest/gtest.h>

#include "ravochat/error.h"

namespace ravochat::state {
namespace {

TEST(StateJournal, ChangesReadBackAsWrittenAndDamagedEntriesAreRefused) {
  JournalWriter journal;
  journal.Add(Change::kAppend, {"users", "amy", "7"}, {"a;b", ""});
  journal.Add(Change::kStrike, {"大家"});
  const std::vector<JournalChange> changes = ReadJournal(journal.text());
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].kind, Change::kAppend);
  EXPECT_EQ(changes[0].fields, (std::vector<std::string>{"users", "amy", "7", "a;b", ""}));
  EXPECT_EQ(changes[1].kind, Change::kStrike);
  EXPECT_EQ(changes[1].fields, std::vector<std::string>{"大家"});
  for (const char* damaged : {"X1;1:a", "F2;1:a1:b", "s1;5:ab", "s1:1;a", "s"}) {
    EXPECT_THROW(ReadJournal(damaged), StateError) << damaged;
  }
}

}  // namespace
}  // namespace ravochat::state
