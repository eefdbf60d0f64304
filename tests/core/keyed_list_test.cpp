// Keyed list strings: finding, splitting, walking, counting and word fields.
#include "core/keyed_list.h"

#include <gtest/gtest.h>

#include "ravochat/error.h"
#include "support/error_text.h"

namespace ravochat::keyed_list {
namespace {

using testing::ErrorText;

constexpr std::string_view kList = "<$a$>x$>y$><$a$><$b$>u$>v$><$b$>";

TEST(KeyedList, CountingGivesRecordsWithoutSplitting) {
  EXPECT_EQ(CountRecords(""), 0u);
  EXPECT_EQ(CountRecords("<$a$>x$><$a$>"), 1u);
  EXPECT_EQ(CountRecords("<$a$>$><$a$><$b$>$><$b$><$c$>1$>$><$c$>"), 3u);
  EXPECT_EQ(CountRecords("<$a$><b>$>a<b$><$a$><$c$>1<2$><$c$>"), 2u);
}

TEST(KeyedList, SplittingGivesTheTextAroundTheRecord) {
  RecordParts parts = SplitRecord(kList, "b");
  EXPECT_EQ(parts.before, "<$a$>x$>y$><$a$>");
  EXPECT_EQ(parts.body, "u$>v$>");
  EXPECT_EQ(parts.after, "");
  EXPECT_EQ(JoinRecord(parts, "b"), kList);
}

TEST(KeyedList, AKeyInsideAnotherKeyNeverMatchesIt) {
  constexpr std::string_view list = "<$ab$>1$><$ab$><$b$>2$><$b$>";
  EXPECT_EQ(SplitRecord(list, "b").body, "2$>");
  EXPECT_FALSE(Contains("<$ab$>1$><$ab$>", "b"));
  EXPECT_FALSE(Contains("<$ab$>1$><$ab$>", "a"));
  EXPECT_TRUE(Contains(list, "ab"));
  EXPECT_EQ(Records(list).at(1).key, "b");
}

TEST(KeyedList, AMissingOrUnclosedRecordOrFieldIsAListKeyErrorNamingTheKey) {
  EXPECT_THROW(SplitRecord("", "a"), ListKeyError);
  EXPECT_EQ(ErrorText<ListKeyError>([] { SplitRecord(kList, "zed"); }),
            "the list holds no record of key \"zed\"");
  EXPECT_EQ(ErrorText<ListKeyError>([] { SplitRecord("<$a$>x$>", "a"); }),
            "the list holds no closed record of key \"a\"");
  EXPECT_EQ(ErrorText<ListKeyError>([] { TakeRecord(kList, "b").Field(3); }),
            "the record of key \"b\" has no field 3");
  EXPECT_EQ(ErrorText<ListKeyError>([] { TakeRecord(kList, "c"); }),
            "the list holds no record of key \"c\"");
  EXPECT_THROW(RecordFields("<$a$>x$>", "a"), ListKeyError);
}

TEST(KeyedList, ATakenRecordPutsBackOnlyItsChangedFields) {
  Record record = TakeRecord(kList, "a");
  EXPECT_EQ(RecordFields(kList, "b"), (std::vector<std::string>{"u", "v", ""}));
  record.MutableField(1) = "z";
  EXPECT_EQ(record.ListText(), "<$a$>x$>z$><$a$><$b$>u$>v$><$b$>");
  EXPECT_EQ(record.parts.body, "x$>y$>") << "the record as taken";
}

TEST(KeyedList, RecordsWalksTheWholeRecordsInOrder) {
  const auto records = Records(kList);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].key, "a");
  EXPECT_EQ(records[0].body, "x$>y$>");
  EXPECT_EQ(records[1].key, "b");
  EXPECT_EQ(records[1].body, "u$>v$>");
  EXPECT_TRUE(Records("").empty());
  EXPECT_EQ(Records("<$a$>1$><$a$><$b$>2$>").size(), 1u) << "a damaged tail is left out";
}

// The plain adding and removing are covered through SetListValue's word modes.
TEST(KeyedList, WordFieldsAreTrimmedAndOfTwoNeighbouringCopiesTheSecondStays) {
  EXPECT_EQ(AddWord(" pq ", "q"), "pq q");
  EXPECT_EQ(RemoveWord(" pq q ", "x"), "pq q");
  EXPECT_EQ(RemoveWord("p q p", "p"), "q");
  EXPECT_EQ(RemoveWord("p p q", "p"), "p q");
}

}  // namespace
}  // namespace ravochat::keyed_list
