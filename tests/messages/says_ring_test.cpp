// The says ring: where appends land, what a walk sends and in which order, checked against a
// plain list of every message ever appended.
#include "messages/says_ring.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/convert.h"
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

TEST(AppendSay, AnIndexOutsideTheRingFailsAndLeavesTheRingAlone) {
  Value ring = FreshRing(3);
  Value current = 3;
  EXPECT_THROW(AppendSay(ring, current, {Value("a"), Value("大家"), Value(0), Value(1), "x"}),
               ListKeyError);
  EXPECT_EQ(current, Value(3));
  EXPECT_EQ(ring, FreshRing(3));
}

// The host wakes the windows of the rooms the new lines went to: none past the number read,
// every room for a line to every room or more new lines than it counts.
TEST(RoomsAfter, NamesTheRoomsOfTheNewLinesNewestFirstOrNothingForEveryRoom) {
  Value ring = FreshRing(10);
  Value current = 0;
  for (int room : {1, 2, 3, -2}) {
    AppendSay(ring, current, {Value("a"), Value("大家"), Value(0), Value(room), "x"});
  }
  const int at = convert::ToInt32(current);
  EXPECT_EQ(RoomsAfter(ring, at - 1, 1, 8), (std::vector<std::int32_t>{3, 2}));
  EXPECT_EQ(RoomsAfter(ring, at - 1, 3, 8), std::vector<std::int32_t>{});
  EXPECT_EQ(RoomsAfter(ring, at - 1, 0, 2), std::nullopt);  // three new, two counted
  EXPECT_EQ(RoomsAfter(ring, at, 3, 8), std::nullopt);      // the line to every room
}

TEST(NewSays, ARingOfMoreThan32768RowsOverflowsTheRowIndex) {
  EXPECT_THROW(NewSays(FreshRing(32769), 0, 0, {"a", 1}), OverflowError);
  EXPECT_EQ(NewSays(FreshRing(32768), 0, 0, {"a", 1}), "''");
}

// Against a plain list of every message: any ring size, wrapped or not, either reader room,
// any last received number from below the first message to the newest gives exactly the
// visible messages newer than it that the ring still holds, oldest first. Private lines
// count only for their sender and addressee, names compared with letter case; lines of a
// room below -1 count in every room.
TEST(NewSays, SendsWhatAPlainListOfAllMessagesSays) {
  std::mt19937 random(7);
  const std::string names[] = {"a", "b", "B"};
  for (int trial = 0; trial < 300; ++trial) {
    int rows = 1 + static_cast<int>(random() % 12);
    int count = static_cast<int>(random() % 40);
    int sayid = static_cast<int>(random() % (count + 3)) - 2;
    Reader reader{"b", static_cast<int>(random() % 2) - 1};
    Value ring = FreshRing(rows);
    Value current = 0;
    std::string expected;
    for (int n = 1; n <= count; ++n) {
      int room = static_cast<int>(random() % 3) - 2;
      int secret = static_cast<int>(random() % 2);
      std::string who = names[random() % 3];
      std::string to = random() % 2 ? "大家" : names[random() % 3];
      std::string text = RowText("t" + std::to_string(n), "", "", "", "", "", "", "");
      AppendSay(ring, current, {Value(who), Value(to), Value(secret), Value(room), text});
      bool addressed = to == "b" || who == "b" || secret == 0;
      bool held = n > count - rows;
      if (n > sayid && held && addressed && (room < -1 || room == reader.room)) {
        expected += std::to_string(n) + "," + text;
      }
    }
    ASSERT_EQ(NewSays(ring, CurrentRow(current), sayid, reader), expected + "''")
        << "rows " << rows << ", messages " << count << ", sayid " << sayid << ", room "
        << reader.room;
  }
}

}  // namespace
}  // namespace ravochat::messages
