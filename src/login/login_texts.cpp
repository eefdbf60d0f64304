// The login's refusal texts with values in them, its notices and its announcement.

#include "login/login_texts.h"

#include <algorithm>

#include "core/convert.h"
#include "core/keyed_list.h"
#include "core/strings.h"

namespace ravochat::login {

std::string ShortNameRefusal(std::string_view min_length) {
  std::string text = "错误：用户名长度不能太短至少";
  text.append(min_length).append("个字符！");
  return text;
}

std::string LongNameRefusal(std::string_view max_length) {
  std::string text = "错误：用户名长度不能长于10个英文字符或";
  text.append(max_length).append("个汉字！");
  return text;
}

std::string WelcomeNotice(std::string_view name, std::string_view shown_password) {
  std::string text = "【系统】";
  text.append(name).append(":欢迎光临！请记牢您的密码[").append(shown_password);
  text.append(
      "]，点[<a href=userset.asp target=list onclick=\\'parent.listflag=0\\'>设置</a>]"
      "可以修改和设置您的个人信息！<br>");
  return text;
}

std::string GuestBookNotice(std::string_view name) {
  std::string text = "【系统】";
  text.append(name).append(":有聊友给你留言哟！[<a href=guest.asp target=guestbook>观看</a>]<br>");
  return text;
}

std::string FriendRequestNotice(std::string_view who, std::string_view id) {
  constexpr std::string_view kFocus =
      "\\' onclick=\\'parent.input.document.forms[0].saystemp.focus()\\' target=newsay>";
  std::string text = "【系统】";
  text.append(strings::Trim(who)).append("向你发出好友申请，你是[<a href=\\'agreefriend.asp?ID=");
  text.append(id).append("&answer=yes").append(kFocus).append("同意</a>]还是[");
  text.append("<a href=\\'agreefriend.asp?ID=").append(id).append("&answer=no").append(kFocus);
  text.append("不同意</a>]？<br>");
  return text;
}

std::string OnlineFriendsNotice(std::string_view friends,
                                const std::function<bool(const std::string&)>& is_online) {
  std::string online;
  for (const std::string& friend_name : strings::Split(strings::Trim(friends), " ")) {
    if (!is_online(friend_name)) continue;
    online.append("<font class=a color=#880088 onclick=javascript:parent.chuser(\\'");
    online.append(friend_name).append("\\') >").append(friend_name).append("</font>，");
  }
  if (online.empty()) return "";
  return "【系统】在线好友：" + online + "快快与好友联系吧！<br>";
}

std::string_view SexTag(int sex) { return sex == 1 ? "<small>girl</small>" : "<small>boy</small>"; }

std::string AnnouncementText(std::string_view text, int sex, std::string_view name,
                             std::int32_t face) {
  std::string tagged_mark(SexTag(sex));
  tagged_mark.append("##");
  std::string result = strings::Replace(text, "##", tagged_mark);
  result.append("<\\script>parent.addl(\\'").append(name).append("\\',");
  result.append(sex == 1 ? "1" : "0").append(",\\'").append(convert::ToText(face));
  result.append("\\',\\'\\')</\\script>");
  return result;
}

}  // namespace ravochat::login
