// Keyed list strings: finding, splitting, counting and word fields.
#include "core/keyed_list.h"

#include <gtest/gtest.h>

#include "ravochat/error.h"

namespace ravochat::keyed_list {
namespace {

constexpr std::string_view kList = "<$a$>x$>y$><$a$><$b$>u$>v$><$b$>";

TEST(KeyedList, CountingGivesRecordsWithoutSplitting) {
  EXPECT_EQ(CountRecords(""), 0u);
  EXPECT_EQ(CountRecords("<$a$>x$><$a$>"), 1u);
  EXPECT_EQ(CountRecords(kList), 2u);
  EXPECT_EQ(CountRecords("<$a$>$><$a$><$b$>$><$b$><$c$>1$>$><$c$>"), 3u);
}

TEST(KeyedList, CountingIgnoresAngleBracketsInsideFields) {
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
}

TEST(KeyedList, AMissingKeyIsAListKeyErrorNamingIt) {
  EXPECT_THROW(SplitRecord("", "a"), ListKeyError);
  try {
    SplitRecord(kList, "zed");
    FAIL();
  } catch (const ListKeyError& e) {
    EXPECT_NE(std::string(e.what()).find("\"zed\""), std::string::npos);
  }
}

TEST(KeyedList, AnUnclosedRecordIsAListKeyError) {
  EXPECT_THROW(SplitRecord("<$a$>x$>", "a"), ListKeyError);
}

TEST(KeyedList, FieldsEndWithTheEmptyElementBehindTheLastField) {
  std::vector<std::string> fields = SplitFields("x$>y$>");
  EXPECT_EQ(fields, (std::vector<std::string>{"x", "y", ""}));
  EXPECT_EQ(JoinFields(fields), "x$>y$>");
  EXPECT_EQ(FieldAt(fields, 2, "a"), "");
  EXPECT_THROW(FieldAt(fields, 3, "a"), ListKeyError);
}

TEST(KeyedList, MarkerWrapsTheKey) { EXPECT_EQ(Marker("王五"), "<$王五$>"); }

TEST(KeyedList, AddingAWordAppendsItOnce) {
  EXPECT_EQ(AddWord("p q", "r"), "p q r");
  EXPECT_EQ(AddWord("p q", "q"), "p q");
  EXPECT_EQ(AddWord("", "r"), " r");
  EXPECT_EQ(AddWord(" pq ", "q"), "pq q");
}

TEST(KeyedList, RemovingAWordRemovesEveryOccurrence) {
  EXPECT_EQ(RemoveWord("p q", "p"), "q");
  EXPECT_EQ(RemoveWord("p q p", "p"), "q");
  EXPECT_EQ(RemoveWord(" pq q ", "x"), "pq q");
  EXPECT_EQ(RemoveWord("p", "p"), "");
}

TEST(KeyedList, RemovingAWordLeavesTheSecondOfTwoNeighbouringCopies) {
  EXPECT_EQ(RemoveWord("p p q", "p"), "p q");
}

}  // namespace
}  // namespace ravochat::keyed_list
