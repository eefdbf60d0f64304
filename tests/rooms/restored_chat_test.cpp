// A restart's snapshot put into a chat loaded afresh from the database: the rooms and their
// settings are the database's, the visitors and the occupants of the remaining rooms the
// snapshot's, and a visitor whose room is gone arrives in the first room with one notice.
#include <gtest/gtest.h>

#include <string>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/records.h"
#include "messages/says_ring.h"
#include "ravochat/snapshot.h"
#include "support/chat_fixture.h"

namespace ravochat {
namespace {

using testing::ChatFixture;

class RestoredChatTest : public ::testing::Test {
 protected:
  RestoredChatTest() {
    chat.Params({"maxtalk=100", "enterroomshow=##从%%来了::#FF0000::#00FF00"});
    chat.Room(1, "大厅");
    chat.Room(2, "茶室");
    chat.Room(3, "密室");
    chat.Init();
    chat.Enter("amy", 2);
    chat.Enter("bob", 3);
    chat.Enter("cat", 3);
    saved = CaptureChat(chat.app, "c1");
  }

  // The chat loaded again from the database, as at a start, and the snapshot put into it.
  RestoredChat Restart() {
    chat.Component()->OpenChat(fresh, chat.db.connstr());
    return RestoreChat(fresh, "c1", saved, chat.clock);
  }
  Value Get(std::string_view name) { return fresh.Get(app_key::AppKey("c1", name)); }
  std::string Room(int room, std::size_t field) {
    return chat.Component()->GetListValue(Get(app_key::kRoomList), room, field);
  }
  std::string RoomOf(const std::string& name) {
    return chat.Component()->GetListValue(Get(app_key::kUserList), name, user_field::kRoom);
  }
  // The ring row `back` rows before the newest, as message text behind its number.
  std::string Row(int back) {
    const Value says = Get(app_key::kSays);
    const std::size_t row =
        static_cast<std::size_t>(convert::ToInt32(Get(app_key::kCurrent)) - back);
    return convert::ToText(says.At(row, ring_field::kText));
  }

  ChatFixture chat{"c1"};
  MemoryApplication fresh;
  ValueMap saved;
};

TEST_F(RestoredChatTest, AVisitorWhoseRoomIsGoneArrivesInTheFirstRoomWithOneNotice) {
  chat.db.Exec("DELETE FROM room WHERE ID=3");
  const RestoredChat restored = Restart();
  EXPECT_EQ(restored.visitors, 3u);
  EXPECT_EQ(restored.moved, 2u);
  EXPECT_EQ(RoomOf("amy") + RoomOf("bob") + RoomOf("cat"), "211");
  EXPECT_EQ(Room(1, room_field::kOccupants) + "|" + Room(2, room_field::kOccupants),
            "bob cat| amy");
  const std::string time = chat.Component()->GetTimeStr();
  for (const auto& [back, name] : {std::pair(1, "bob"), std::pair(0, "cat")}) {
    EXPECT_EQ(Row(back), messages::RowText(std::string("##从%%来了<\\script>parent.addl(\\'") +
                                               name + "\\',0,\\'1010\\',\\'\\')</\\script>",
                                           name, "密室", "0", "#FF0000", "#00FF00", "-3", time));
  }
  EXPECT_EQ(
      convert::ToText(Get(app_key::kSays)
                          .At(static_cast<std::size_t>(convert::ToInt32(Get(app_key::kCurrent))),
                              ring_field::kRoom)),
      "1");
}

TEST_F(RestoredChatTest, WithoutAnyRoomNobodyIsTakenBack) {
  chat.db.Exec("DELETE FROM room");
  const RestoredChat restored = Restart();
  EXPECT_EQ(restored.visitors + restored.moved, 0u);
  EXPECT_EQ(Get(app_key::kUserList), Value(""));
}

}  // namespace
}  // namespace ravochat
