// A chat with two rooms for the message tests, and the requests a browser sends: a poll,
// a posted line, the first fill of the panes.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/convert.h"
#include "core/records.h"
#include "ravochat/host.h"
#include "ravochat/lumochat.h"
#include "support/chat_fixture.h"

namespace ravochat::messages {

inline constexpr const char* kHead =
    "<meta HTTP-EQUIV='Pragma' CONTENT='no-cache'><META content='text/html;charset=gb2312' "
    "http-equiv=content-type>";
inline constexpr const char* kPoll =
    "<meta http-equiv=refresh content='6;url=refresh.asp'><script>";

// A page of a poll or a post: the two heads, then `body`.
inline std::string PollPage(const std::string& body) { return std::string(kHead) + kPoll + body; }

class MessagesTest : public ::testing::Test {
 protected:
  explicit MessagesTest(std::string_view maxtalk = "100") {
    chat.db.Exec(
        "INSERT INTO sysparam (alias, body) VALUES ('maxtalk', ?), ('maxsayslength', '20'), "
        "('nosaytimeout', '30'), ('dontsavevalue', '240'), ('titlelength', '5'), ('l_title', '3'), "
        "('l_tt', '5'), ('l_allhtml', '8'), ('saysfilterstr', ''), ('enablesaysfilter', '0')",
        {Value(maxtalk)});
    chat.Room(1, "hall", "owner");
    chat.Room(2, "garden");
    chat.Init();
  }

  std::string Refresh(const std::string& name, const Value& sayid = Value()) {
    MemoryRequest request;
    if (!sayid.IsEmpty()) request.SetQuery("sayid", sayid);
    return chat.Component()->refresh(chat.app, chat.SessionOf(name), request);
  }

  // Posts `says` to `towho`; `fields` adds or overrides request fields.
  std::string Post(const std::string& name, const std::string& says,
                   const std::string& towho = "大家",
                   const std::map<std::string, Value>& fields = {}) {
    MemoryRequest request;
    request.SetForm("says", says);
    request.SetQuery("towho", towho);
    request.SetQuery("sayscolor", "000000");
    request.SetQuery("id", Newest());
    for (const auto& [key, value] : fields) request.SetQuery(key, value);
    return chat.Component()->subsay(chat.app, chat.SessionOf(name), request);
  }

  // The number of the newest message in the ring, and its row text.
  std::int64_t Newest() {
    Value says = chat.Get("_says");
    return *says.At(static_cast<std::size_t>(*chat.Get("_current").AsInteger()), 0).AsInteger();
  }
  std::string NewestText() {
    return convert::ToText(chat.Get("_says").At(Newest() % 101, ring_field::kText));
  }
  // The row text of a line of `who` to everyone in black, posted at the fixture's start.
  static std::string Stored(const std::string& text, const std::string& who,
                            const std::string& act = "0") {
    return "'" + text + "','" + who + "','大家',0,'000000',''," + act + ",'12:00:00',";
  }

  testing::ChatFixture chat;
};

}  // namespace ravochat::messages
