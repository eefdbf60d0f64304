// The says ring: where appends land, what a walk sends and in which order, checked against a
// plain list of every message ever appended.
#include "messages/says_ring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <string>

#include "core/records.h"
#include "ravochat/error.h"

namespace ravochat::messages {
namespace {

// A fresh ring of `rows` rows, every message number 0, as the configuration makes it.
Value FreshRing(std::size_t rows) {
  Value ring = Value::MakeGrid(rows, ring_field::kCount);
  for (std::size_t row = 0; row < rows; ++row) ring.MutableAt(row, ring_field::kNumber) = 0;
  return ring;
}

// Appends a public line of room 1 whose text is "m<n>", n the number it will get.
void AppendPublic(Value& ring, Value& current, const std::string& who = "a", int room = 1) {
  std::string mess = "m" + std::to_string(*NumberAt(ring, CurrentRow(current)).AsInteger() + 1);
  AppendSay(ring, current,
            {Value(who), Value("大家"), Value(0), Value(room),
             RowText(mess, who, "大家", "0", "c1", "c2", "0", "12:00:00")});
}

std::string Sent(int n, const std::string& who = "a") {
  return std::to_string(n) + ",'m" + std::to_string(n) + "','" + who +
         "','大家',0,'c1','c2',0,'12:00:00',";
}

TEST(RowText, JoinsTheValuesOfAMessageWithATrailingComma) {
  EXPECT_EQ(RowText("hi", "a", "大家", "0", "000000", "", "0", "12:00:05"),
            "'hi','a','大家',0,'000000','',0,'12:00:05',");
}

TEST(AppendSay, TheFirstMessageOfAFreshRingGoesIntoRowOneWithNumberOne) {
  Value ring = FreshRing(101);
  Value current = 0;
  AppendPublic(ring, current);
  EXPECT_EQ(current, Value(1));
  EXPECT_EQ(ring.At(1, ring_field::kNumber), Value(1));
  EXPECT_EQ(ring.At(1, ring_field::kText),
            Value(RowText("m1", "a", "大家", "0", "c1", "c2", "0", "12:00:00")));
}

TEST(AppendSay, TheMessageAfterTheLastRowWrapsToRowZeroAndTheNextReplacesMessageOne) {
  Value ring = FreshRing(101);
  Value current = 0;
  for (int i = 0; i < 101; ++i) AppendPublic(ring, current);
  EXPECT_EQ(current, Value(0));
  EXPECT_EQ(ring.At(0, ring_field::kNumber), Value(101));
  AppendPublic(ring, current);
  EXPECT_EQ(current, Value(1));
  EXPECT_EQ(ring.At(1, ring_field::kNumber), Value(102));
}

TEST(AppendSay, AnIndexOutsideTheRingFailsAndLeavesTheRingAlone) {
  Value ring = FreshRing(3);
  Value current = 3;
  EXPECT_THROW(AppendPublic(ring, current), ListKeyError);
  EXPECT_EQ(current, Value(3));
  EXPECT_EQ(ring, FreshRing(3));
}

TEST(AppendSay, LeavesACopyOfTheRingHeldElsewhereUnchanged) {
  Value ring = FreshRing(5);
  Value current = 0;
  Value stored = ring;
  AppendPublic(ring, current);
  EXPECT_EQ(stored, FreshRing(5));
}

TEST(NewSays, AWrappedRingIsSentFromTheRowAfterTheLastReceivedToTheNewest) {
  Value ring = FreshRing(101);  // M = 100
  Value current = 0;
  for (int i = 0; i < 103; ++i) AppendPublic(ring, current);
  ASSERT_EQ(current, Value(2));
  ASSERT_EQ(ring.At(98, ring_field::kNumber), Value(98));
  // Rows 99, 100, 0, 1, 2 hold messages 99 to 103.
  EXPECT_EQ(NewSays(ring, 2, 98, {"b", 1}),
            Sent(99) + Sent(100) + Sent(101) + Sent(102) + Sent(103) + "''");
}

TEST(NewSays, NothingNewGivesTwoQuotes) {
  Value ring = FreshRing(11);
  Value current = 0;
  for (int i = 0; i < 4; ++i) AppendPublic(ring, current);
  EXPECT_EQ(NewSays(ring, 4, 4, {"b", 1}), "''");
}

TEST(NewSays, RowsNeverWrittenAreNotSentToAVisitorWhoseLastNumberIsNegative) {
  Value ring = FreshRing(11);
  Value current = 0;
  for (int i = 0; i < 2; ++i) AppendPublic(ring, current);
  EXPECT_EQ(NewSays(ring, 2, -10, {"b", 1}), Sent(1) + Sent(2) + "''");
}

TEST(NewSays, ZeroResendsEveryVisibleMessageOfTheRing) {
  Value ring = FreshRing(4);
  Value current = 0;
  for (int i = 0; i < 6; ++i) AppendPublic(ring, current);
  EXPECT_EQ(NewSays(ring, CurrentRow(current), 0, {"b", 1}),
            Sent(3) + Sent(4) + Sent(5) + Sent(6) + "''");
}

class Visibility : public ::testing::Test {
 protected:
  void Say(const std::string& who, const std::string& to, int secret, int room) {
    AppendSay(ring_, current_,
              {Value(who), Value(to), Value(secret), Value(room),
               RowText("x", who, to, std::to_string(secret), "", "", "0", "12:00:00")});
  }
  bool Sees(const std::string& name, int room) {
    return NewSays(ring_, CurrentRow(current_), 0, {name, room}) != "''";
  }

  Value ring_ = FreshRing(5);
  Value current_ = 0;
};

TEST_F(Visibility, APrivateLineIsSeenBySenderAndAddresseeOnly) {
  Say("a", "b", 1, 1);
  EXPECT_TRUE(Sees("a", 1));
  EXPECT_TRUE(Sees("b", 1));
  EXPECT_FALSE(Sees("c", 1));
}

TEST_F(Visibility, APrivateLineIsSeenOnlyInItsRoom) {
  Say("a", "b", 1, 1);
  EXPECT_FALSE(Sees("b", 2));
}

TEST_F(Visibility, ALineToOneVisitorThatIsNotSecretIsSeenByTheWholeRoom) {
  Say("a", "b", 0, 1);
  EXPECT_TRUE(Sees("c", 1));
  EXPECT_FALSE(Sees("c", 2));
}

TEST_F(Visibility, ALineOfARoomBelowMinusOneIsSeenInEveryRoom) {
  Say("a", "大家", 0, -2);
  EXPECT_TRUE(Sees("c", 7));
}

TEST_F(Visibility, ALineOfRoomMinusOneIsSeenOnlyThere) {
  Say("a", "大家", 0, -1);
  EXPECT_FALSE(Sees("c", 7));
  EXPECT_TRUE(Sees("c", -1));
}

TEST_F(Visibility, NamesAreComparedWithLetterCase) {
  Say("a", "Bob", 1, 1);
  EXPECT_FALSE(Sees("bob", 1));
}

TEST(NewSays, ARingOfMoreThan32768RowsOverflowsTheRowIndex) {
  Value ring = FreshRing(32769);
  EXPECT_THROW(NewSays(ring, 0, 0, {"a", 1}), OverflowError);
  EXPECT_EQ(NewSays(FreshRing(32768), 0, 0, {"a", 1}), "''");
}

// Against a plain list of every message: any ring size, any number of appends, any last
// received number still inside the ring gives exactly the newer visible messages.
TEST(NewSays, SendsWhatAPlainListOfAllMessagesSays) {
  std::mt19937 random(7);
  for (int trial = 0; trial < 200; ++trial) {
    std::size_t rows = 1 + random() % 12;
    Value ring = FreshRing(rows);
    Value current = 0;
    struct Said {
      int number, room, secret;
      std::string who, to, text;
    };
    std::deque<Said> all;
    int count = static_cast<int>(random() % 40);
    for (int n = 1; n <= count; ++n) {
      Said s{n,
             static_cast<int>(random() % 3) - 2,
             static_cast<int>(random() % 2),
             std::string(1, static_cast<char>('a' + random() % 3)),
             random() % 2 ? "大家" : std::string(1, static_cast<char>('a' + random() % 3)),
             RowText("t" + std::to_string(n), "", "", "", "", "", "", "")};
      all.push_back(s);
      AppendSay(ring, current, {Value(s.who), Value(s.to), Value(s.secret), Value(s.room), s.text});
    }
    int oldest_kept = count - static_cast<int>(rows) + 1;
    int sayid = std::max(0, oldest_kept - 1) + static_cast<int>(random() % (rows + 1));
    Reader reader{"b", -1};
    std::string expected;
    for (const Said& s : all) {
      bool addressed = s.to == "b" || s.who == "b" || s.secret == 0;
      if (s.number > sayid && addressed && (s.room < -1 || s.room == -1)) {
        expected += std::to_string(s.number) + "," + s.text;
      }
    }
    expected += "''";
    ASSERT_EQ(NewSays(ring, CurrentRow(current), sayid, reader), expected)
        << "rows " << rows << ", messages " << count << ", sayid " << sayid;
  }
}

}  // namespace
}  // namespace ravochat::messages
