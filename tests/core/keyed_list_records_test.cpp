// Walking every record of a keyed list string.
#include "core/keyed_list.h"

#include "gtest/gtest.h"

namespace ravochat::keyed_list {
namespace {

TEST(KeyedListRecords, EveryRecordComesOutInOrderWithItsBody) {
  const auto records = Records("<$a$>x$>y$><$a$><$b$>u$><$b$>");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].key, "a");
  EXPECT_EQ(records[0].body, "x$>y$>");
  EXPECT_EQ(records[1].key, "b");
  EXPECT_EQ(records[1].body, "u$>");
}

TEST(KeyedListRecords, AKeyInsideAnotherKeyDoesNotCloseTheRecord) {
  const auto records = Records("<$ab$>1$><$ab$><$b$>2$><$b$>");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].key, "b");
}

TEST(KeyedListRecords, TheEmptyListHasNoRecords) { EXPECT_TRUE(Records("").empty()); }

TEST(KeyedListRecords, ADamagedTailIsLeftOut) {
  EXPECT_EQ(Records("<$a$>1$><$a$><$b$>2$>").size(), 1u);
}

}  // namespace
}  // namespace ravochat::keyed_list
