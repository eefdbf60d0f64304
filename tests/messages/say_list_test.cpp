// The first fill of the message panes: the page, the lines sent, and the pruning of the
// room's occupant list.
#include <gtest/gtest.h>

#include <string>

#include "core/records.h"
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

  std::string Fill(const std::string& name) {
    return chat.Component()->InitSayList(chat.app, chat.SessionOf(name));
  }

  std::string Room(std::size_t index) { return Field("_room_list", "1", index); }

  std::string Person(const std::string& name) {
    return "'" + name + " " + Field("_user_list", name, user_field::kSex) + " " +
           Field("_user_list", name, user_field::kFace) + " " +
           Field("_user_list", name, user_field::kListText) + "'";
  }

  // The array of the people list as the page writes it.
  std::string People(const std::string& page) {
    std::size_t open = page.find("new Array(") + 10;
    return page.substr(open, page.find(");parent.userlist.sort()") - open);
  }
};

TEST_F(SayList, AVisitorWhoIsNotLoggedInGetsOnlyTheRedirect) {
  MemorySession stranger;
  EXPECT_EQ(chat.Component()->InitSayList(chat.app, stranger),
            "<script Language=JavaScript>top.location.href = "
            "'showerr.asp?errtext=你还没有登录到聊天室！';</script>");
}

TEST_F(SayList, ThePageCarriesTheRoomTheNewLinesAndThePeoplePresent) {
  Post("bob", "hi");
  SetField("_user_list", "amy", user_field::kLastSayId, "0");
  EXPECT_EQ(Fill("amy"), std::string(kHead) + kPoll + "parent.allusernum=3;parent.roomname='" +
                             Room(0) + "';parent.roomauto='" + Room(2) +
                             "'; parent.roomtt=" + Room(8) + ";  parent.room_owner='" + Room(1) +
                             "';  parent.room_des='" + Room(3) + "'; parent.roomhtml=" + Room(9) +
                             ";  parent.roomguests='" + Room(13) +
                             "';  parent.roomlife=" + Room(10) + ";parent.chftitle('" + Room(5) +
                             "');parent.chttitle('" + Room(4) +
                             "');  parent.clearsay();parent.clearper();parent.addsay(1,'hi','bob',"
                             "'大家',0,'000000','',0,'12:00:00',''); parent.ref(1);"
                             "parent.userlist=new Array(" +
                             Person("amy") + "," + Person("bob") +
                             ");parent.userlist.sort();parent.showlist();</script>");
}

TEST_F(SayList, WithoutNewLinesTheCallStillCarriesTwoQuotes) {
  EXPECT_NE(Fill("amy").find("parent.addsay(''); parent.ref(0);"), std::string::npos);
}

TEST_F(SayList, TheVisitorsRecordRemembersTheNewestNumberAndTheTime) {
  Post("bob", "hi");
  chat.clock.Advance(5);
  Fill("amy");
  EXPECT_EQ(Field("_user_list", "amy", user_field::kLastSayId), "1");
  EXPECT_EQ(Field("_user_list", "amy", user_field::kLastSeen), "2026-12-06 12:00:05");
}

TEST_F(SayList, ANameNoLongerOnlineIsDroppedAndSpacesAreMadeSingle) {
  SetField("_room_list", "1", room_field::kOccupants, " amy  ghost bob ");
  std::string page = Fill("amy");
  EXPECT_EQ(Room(room_field::kOccupants), "amy bob");
  EXPECT_EQ(People(page), Person("amy") + "," + Person("bob"));
}

TEST_F(SayList, TheOccupantListIsLeftAloneWhenEveryoneIsOnline) {
  SetField("_room_list", "1", room_field::kOccupants, "amy  bob");
  Fill("amy");
  EXPECT_EQ(Room(room_field::kOccupants), "amy  bob");
}

TEST_F(SayList, AVisitorListedTwiceIsListedTwice) {
  SetField("_room_list", "1", room_field::kOccupants, "amy bob amy");
  EXPECT_EQ(People(Fill("amy")), Person("amy") + "," + Person("bob") + "," + Person("amy"));
}

TEST_F(SayList, AnEmptyOccupantListGivesAnEmptyArray) {
  SetField("_room_list", "1", room_field::kOccupants, "");
  EXPECT_EQ(People(Fill("amy")), "");
}

}  // namespace
}  // namespace ravochat::messages
