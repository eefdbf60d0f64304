// A chat with two rooms for the message tests, and the requests a browser sends: a poll,
// a posted line, the first fill of the panes.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/convert.h"
#include "core/keyed_list.h"
#include "ravochat/host.h"
#include "ravochat/lumochat.h"
#include "support/chat_fixture.h"

namespace ravochat::messages {

inline constexpr const char* kHead =
    "<meta HTTP-EQUIV='Pragma' CONTENT='no-cache'><META content='text/html;charset=gb2312' "
    "http-equiv=content-type>";
inline constexpr const char* kPoll =
    "<meta http-equiv=refresh content='6;url=refresh.asp'><script>";

class MessagesTest : public ::testing::Test {
 protected:
  explicit MessagesTest(std::string_view maxtalk = "100") {
    chat.Param("maxtalk", maxtalk);
    chat.Param("maxsayslength", "20");
    chat.Param("nosaytimeout", "30");
    chat.Param("dontsavevalue", "240");
    chat.Param("titlelength", "5");
    chat.Param("l_title", "3");
    chat.Param("l_tt", "5");
    chat.Param("l_allhtml", "8");
    chat.Param("saysfilterstr", "");
    chat.Param("enablesaysfilter", "0");
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
    request.SetQuery("addwordcolor", "");
    request.SetQuery("addsays", "0");
    request.SetQuery("id", Newest());
    for (const auto& [key, value] : fields) request.SetQuery(key, value);
    return chat.Component()->subsay(chat.app, chat.SessionOf(name), request);
  }

  // The number of the newest message in the ring.
  std::int64_t Newest() {
    Value says = chat.Get("_says");
    return *says.At(static_cast<std::size_t>(*chat.Get("_current").AsInteger()), 0).AsInteger();
  }

  std::string Field(std::string_view list_name, const std::string& key, std::size_t index) {
    std::string list = convert::ToText(chat.Get(list_name));
    return keyed_list::FieldAt(keyed_list::SplitFields(keyed_list::SplitRecord(list, key).body),
                               index, key);
  }

  void SetField(std::string_view list_name, const std::string& key, std::size_t index,
                const std::string& value) {
    std::string list = convert::ToText(chat.Get(list_name));
    keyed_list::RecordParts parts = keyed_list::SplitRecord(list, key);
    std::vector<std::string> fields = keyed_list::SplitFields(parts.body);
    fields.at(index) = value;
    parts.body = keyed_list::JoinFields(fields);
    chat.Set(list_name, keyed_list::JoinRecord(parts, key));
  }

  testing::ChatFixture chat;
};

}  // namespace ravochat::messages
