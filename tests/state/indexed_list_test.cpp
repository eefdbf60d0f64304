// The indexed lists against the text rules they stand in for: a long random sequence of
// record and word edits must leave exactly the text the keyed_list functions make.
#include "state/indexed_list.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <utility>

#include "core/keyed_list.h"
#include "core/records.h"
#include "ravochat/error.h"

namespace ravochat::state {
namespace {

// The same edit on the text form, as the operations made it before the lists were indexed.
std::string TextAppend(const std::string& list, const std::string& key, const Fields& fields) {
  std::string rest = list;
  if (auto record = keyed_list::TakeListedRecord(list, key)) {
    rest = record->parts.before + record->parts.after;
  }
  return rest + "<$" + key + "$>" + keyed_list::JoinFields(fields) + "<$" + key + "$>";
}

std::string TextEditField(const std::string& list, const std::string& key, std::size_t index,
                          const std::function<std::string(const std::string&)>& edit) {
  keyed_list::Record record = keyed_list::TakeRecord(list, key);
  std::string& field = record.MutableField(index);
  field = edit(field);
  return record.ListText();
}

TEST(IndexedList, RandomEditsLeaveTheTextTheTextRulesMake) {
  constexpr std::size_t kWords = room_field::kOccupants;
  IndexedList list(kWords);
  std::string text;
  std::mt19937 rng(20261206);
  const std::vector<std::string> keys = {"1", "2", "3", "amy", "小明", "b b"};
  const std::vector<std::string> words = {"amy", "bob", "小明", "", " ", "a b", "bob "};
  const auto pick = [&](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
  for (int step = 0; step < 20000; ++step) {
    const std::string key = pick(keys);
    const bool listed = keyed_list::Contains(text, key);
    switch (rng() % 6) {
      case 0: {
        Fields fields(room_field::kCount + 1);
        fields[kWords] = rng() % 3 == 0 ? "bob  bob" : (rng() % 2 ? " amy" : "");
        fields[0] = std::to_string(step);
        list.Append(key, fields);
        text = TextAppend(text, key, fields);
        break;
      }
      case 1:
        EXPECT_EQ(list.Remove(key), listed);
        if (listed)
          text = keyed_list::TakeRecord(text, key).parts.before +
                 keyed_list::TakeRecord(text, key).parts.after;
        break;
      case 2:
        if (!listed) continue;
        list.SetField(key, 3, std::to_string(step));
        text =
            TextEditField(text, key, 3, [&](const std::string&) { return std::to_string(step); });
        break;
      case 3:
      case 4: {
        if (!listed) continue;
        const std::string word = pick(words);
        const bool add = rng() % 2 == 0;
        if (add) {
          list.AddWord(key, word);
        } else {
          list.RemoveWord(key, word);
        }
        text = TextEditField(text, key, kWords, [&](const std::string& field) {
          return add ? keyed_list::AddWord(field, word) : keyed_list::RemoveWord(field, word);
        });
        break;
      }
      default:
        if (!listed) continue;
        for (const std::string& word : words) {
          const std::string padded = " " + keyed_list::RecordFields(text, key)[kWords] + " ";
          EXPECT_EQ(list.HasWord(key, word), padded.find(" " + word + " ") != std::string::npos);
        }
        EXPECT_EQ(list.Find(key), keyed_list::RecordFields(text, key));
    }
    ASSERT_EQ(list.Text(), text) << "after step " << step;
    ASSERT_EQ(list.Count(), keyed_list::CountRecords(text));
  }
}

TEST(IndexedList, ADamagedTextIsKeptAndReadsAsEmptyUntilReplaced) {
  IndexedList list;
  EXPECT_FALSE(list.IsSet());
  for (std::string_view damaged : {"x", "<$a$>1$><$a$><$a$>2$><$a$>", "<$a$>1$><$a$>tail"}) {
    list.SetText(damaged);
    EXPECT_EQ(list.Text(), damaged);
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_THROW(list.Append("b", {"1", ""}), ListKeyError);
  }
  list.SetText("<$a$>1$><$a$>");
  list.Append("b", {"2", ""});
  EXPECT_EQ(list.Text(), "<$a$>1$><$a$><$b$>2$><$b$>");
}

TEST(IndexedList, FieldsSetTogetherAreSetAllOrNone) {
  IndexedList list;
  list.Append("a", {"1", "2"});
  std::array<std::pair<std::size_t, std::string>, 2> fields{{{0, "x"}, {2, "y"}}};
  EXPECT_THROW(list.SetFields("a", fields), ListKeyError);
  EXPECT_EQ(list.Find("a"), (Fields{"1", "2"}));
  fields[1].first = 1;
  list.SetFields("a", fields);
  EXPECT_EQ(list.Find("a"), (Fields{"x", "y"}));
}

}  // namespace
}  // namespace ravochat::state
