// The first fill of the message panes: the page, the lines sent, and the pruning of the
// room's occupant list.
#include <gtest/gtest.h>

#include <string>

#include "messages/messages_fixture.h"

namespace ravochat::messages {
namespace {

class SayList : public MessagesTest {
 protected:
  SayList() {
    chat.Enter("amy", 1);
    chat.Enter("bob", 1);
    chat.Enter("cat", 2);
  }

  std::string Fill() { return chat.Component()->InitSayList(chat.app, chat.SessionOf("amy")); }
  std::string Room(std::size_t index) { return chat.ListField("_room_list", "1", index); }
  std::string Person(const std::string& name) {
    return "'" + name + " " + chat.ListField("_user_list", name, user_field::kSex) + " " +
           chat.ListField("_user_list", name, user_field::kFace) + " " +
           chat.ListField("_user_list", name, user_field::kListText) + "'";
  }
};

TEST_F(SayList, AVisitorWhoIsNotLoggedInGetsOnlyTheRedirect) {
  MemorySession stranger;
  EXPECT_EQ(chat.Component()->InitSayList(chat.app, stranger),
            "<script Language=JavaScript>top.location.href = "
            "'showerr.asp?errtext=你还没有登录到聊天室！';</script>");
}

TEST_F(SayList, ThePageCarriesTheRoomTheNewLinesAndThePeoplePresentAndIsRemembered) {
  EXPECT_NE(Fill().find("parent.addsay(''); parent.ref(0);"), std::string::npos);
  Post("bob", "hi");
  chat.SetListField("_user_list", "amy", user_field::kLastSayId, "0");
  chat.clock.Advance(5);
  EXPECT_EQ(Fill(),
            PollPage("parent.allusernum=3;parent.roomname='" + Room(0) + "';parent.roomauto='" +
                     Room(2) + "'; parent.roomtt=" + Room(8) + ";  parent.room_owner='" + Room(1) +
                     "';  parent.room_des='" + Room(3) + "'; parent.roomhtml=" + Room(9) +
                     ";  parent.roomguests='" + Room(13) + "';  parent.roomlife=" + Room(10) +
                     ";parent.chftitle('" + Room(5) + "');parent.chttitle('" + Room(4) +
                     "');  parent.clearsay();parent.clearper();parent.addsay(1,'hi','bob',"
                     "'大家',0,'000000','',0,'12:00:00',''); parent.ref(1);"
                     "parent.userlist=new Array(" +
                     Person("amy") + "," + Person("bob") +
                     ");parent.userlist.sort();parent.showlist();</script>"));
  EXPECT_EQ(chat.ListField("_user_list", "amy", user_field::kLastSayId), "1");
  EXPECT_EQ(chat.ListField("_user_list", "amy", user_field::kLastSeen), "2026-12-06 12:00:05");
}

// Names no longer online are dropped and the spaces made single; a list of names all online
// is left as it is, a name listed twice is listed twice.
TEST_F(SayList, ThePeopleListAndTheOccupantListKeepOnlyTheNamesOnline) {
  const std::string amy = Person("amy"), bob = Person("bob");
  struct Case {
    std::string occupants, people, stored;
  };
  for (const Case& c :
       {Case{" amy  ghost bob ", amy + "," + bob, "amy bob"},
        Case{"amy  bob", amy + "," + bob, "amy  bob"},
        Case{"amy bob amy", amy + "," + bob + "," + amy, "amy bob amy"}, Case{"", "", ""}}) {
    chat.SetListField("_room_list", "1", room_field::kOccupants, c.occupants);
    EXPECT_NE(Fill().find("new Array(" + c.people + ");"), std::string::npos) << c.occupants;
    EXPECT_EQ(Room(room_field::kOccupants), c.stored);
  }
}

}  // namespace
}  // namespace ravochat::messages
