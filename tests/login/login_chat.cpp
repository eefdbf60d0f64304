// The login test chat.

#include "login/login_chat.h"

#include "core/strings.h"
#include "login/visitor.h"

namespace ravochat::testing {

LoginChat::LoginChat(Backend backend) : chat("", backend) {
  // Switches left out are off; the clean-up periods belong to the statistics tests.
  chat.Params(
      {"maxtalk=100", "maxpeople=50", "namelength=2", "maxnamelength=5", "disableproxy=1",
       "newusernum=3", "facecolorstr=#000000 #111111 #222222", "backgroudcolorstr=#ffffff #eeeeee",
       "enterchatshow=##进入了聊天室::#ff0000::#00ff00", "reentershow=##回来了::#0000ff::#000000",
       "visitor=100", "hour24=0,0,0,0,0,0,0,0,0,0,0,0,4,0,0,0,0,0,0,0,0,0,0,0,12"});
  chat.Room(1, "大厅");
  chat.Room(2, "二楼");
}

void LoginChat::Init() {
  chat.Init();
  initialized_ = true;
}

MemoryRequest LoginChat::Request(std::string_view name, std::string_view password,
                                 const LoginForm& form) {
  MemoryRequest request;
  request.SetForm("sUserName", name);
  request.SetForm("sPass", password);
  request.SetForm("room_id", form.room);
  request.SetForm("bSex", form.sex);
  request.SetServerVariable("REMOTE_ADDR", form.address);
  if (!form.via.empty()) request.SetServerVariable("HTTP_VIA", form.via);
  if (!form.forwarded.empty()) request.SetServerVariable("HTTP_X_FORWARDED_FOR", form.forwarded);
  return request;
}

std::string LoginChat::Login(std::string_view name, std::string_view password,
                             const LoginForm& form) {
  if (!initialized_) Init();
  MemoryRequest request = Request(name, password, form);
  sessions_.push_back(std::make_unique<MemorySession>());
  latest_[std::string(name)] = sessions_.back().get();
  return chat.Component()->LoginCheck(chat.app, *sessions_.back(), request);
}

std::string LoginChat::Stored(std::string_view password) {
  std::string typed(password);
  return chat.Component()->Trpass(typed);
}

void LoginChat::AddUser(std::string_view name, std::string_view password, int level, int visits,
                        std::string_view friends) {
  chat.db.Exec(
      "INSERT INTO user (username,passwd,headface,sex,log_time,user_level,first_ip,last_ip,"
      "visit_num,in_time,out_info,exp_num,out_time,f_size,l_height,n_color,s_color,bgcolor,"
      "friends,saved) VALUES (?,?,1020,1,'2026-01-01 08:00:00',?,'10.9.9.9','10.9.9.9',?,"
      "'2026-12-05 09:00:00',0,0,'2026-12-05 10:00:00',4,6,3,4,'#fff:#000:#111',?,0)",
      {name, Stored(strings::Left(password, login::kPasswordLength)), level, visits, friends});
}

}  // namespace ravochat::testing
