// userset.asp: the visitor's own settings, password and friends list. Each form carries
// the session's token; a saved display setting reloads the open chat window, which then
// reads the new values from the user row.
#include <charconv>
#include <string>

#include "member_pages/member_page.h"
#include "pages.h"
#include "transport/form_token.h"
#include "transport/markup.h"

namespace ravochat::server::pages {
namespace {

// The whole number of `text`, or -1 (out of every range) when it is none.
std::int32_t Number(const std::string& text) {
  std::int32_t n = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  return error == std::errc() && end == text.data() + text.size() ? n : -1;
}

std::string Choice(std::string_view name, std::int32_t high, std::int32_t chosen) {
  std::string html = "<select name=" + std::string(name) + ">";
  for (std::int32_t i = 0; i <= high; ++i) {
    html += "<option" + std::string(i == chosen ? " selected" : "") + ">" + std::to_string(i) +
            "</option>";
  }
  return html + "</select>";
}

std::string Field(std::string_view label, const std::string& input) {
  return "<div class=field><label class=title>" + std::string(label) + "</label>" + input +
         "</div>";
}

std::string ColourInput(std::string_view name, const std::string& value) {
  return "<input type=color name=" + std::string(name) + " value='" + HtmlEscape(value) + "'>";
}

std::string SettingsForm(Page& page, const social::Settings& s) {
  std::vector<std::string> colours{"#ffffff", "#000000", "#000000"};
  std::size_t at = 0;
  for (std::size_t i = 0; i < 3 && at <= s.bgcolor.size(); ++i) {
    const std::size_t colon = s.bgcolor.find(':', at);
    colours[i] = s.bgcolor.substr(at, colon == std::string::npos ? colon : colon - at);
    at = colon == std::string::npos ? s.bgcolor.size() + 1 : colon + 1;
  }
  return "<form method=post action=userset.asp id=settings><input type=hidden name=do "
         "value=settings>" +
         FormTokenInput(page.session()) +
         Field("头像", "<input type=number name=face value=" + std::to_string(s.face) + ">") +
         Field("性别", std::string("<select name=sex><option value=0") +
                           (s.sex == 0 ? " selected" : "") + ">男</option><option value=1" +
                           (s.sex == 1 ? " selected" : "") + ">女</option></select>") +
         Field("字号", Choice("f_size", social::kSizeMax, s.f_size)) +
         Field("行距", Choice("l_height", social::kLineHeightMax, s.l_height)) +
         Field("名字色", Choice("n_color", social::kColourMax, s.n_color)) +
         Field("发言色", Choice("s_color", social::kColourMax, s.s_color)) +
         Field("背景色", ColourInput("bg", colours[0])) +
         Field("字色一", ColourInput("c1", colours[1])) +
         Field("字色二", ColourInput("c2", colours[2])) +
         "<div class=buttons><input type=submit value=保存设置></div></form>";
}

std::string PasswordForm(Page& page) {
  return "<h2>修改密码</h2><form method=post action=userset.asp id=password>"
         "<input type=hidden name=do value=password>" +
         FormTokenInput(page.session()) + Field("原密码", "<input type=password name=oldpass>") +
         Field("新密码", "<input type=password name=newpass>") +
         Field("再输一次", "<input type=password name=newpass2>") +
         "<div class=buttons><input type=submit value=修改密码></div></form>";
}

std::string FriendsForm(Page& page, const std::string& friends) {
  std::string rows;
  std::size_t at = 0;
  while (at < friends.size()) {
    std::size_t end = friends.find(' ', at);
    if (end == std::string::npos) end = friends.size();
    if (end > at) {
      const std::string name = friends.substr(at, end - at);
      rows += "<li>" + HtmlEscape(name) +
              " <form method=post action=userset.asp class=inline><input type=hidden name=do "
              "value=delfriend><input type=hidden name=friend value=\"" +
              HtmlEscape(name) + "\">" + FormTokenInput(page.session()) +
              "<input type=submit value=删除></form></li>";
    }
    at = end + 1;
  }
  return "<h2>好友名单</h2><ul id=friends>" + rows +
         "</ul><form method=post action=userset.asp id=addfriend><input type=hidden name=do "
         "value=addfriend>" +
         FormTokenInput(page.session()) +
         "<input type=text name=friend maxlength=20> <input type=submit value=加入></form>";
}

// Carries out the posted form; returns the outcome line and sets `reload` when the open
// chat window must take the new display settings.
std::string Apply(Page& page, social::Member& member, bool& reload) {
  const std::string what = page.Item("do");
  if (what == "password") {
    return Outcome(
        member.ChangePassword(page.Item("oldpass"), page.Item("newpass"), page.Item("newpass2")),
        "密码已经修改，下次登录请用新密码。");
  }
  if (what == "addfriend")
    return Outcome(member.AddFriend(page.Item("friend")), "已加入好友名单。");
  if (what == "delfriend") {
    return Outcome(member.RemoveFriend(page.Item("friend")), "已从好友名单删除。");
  }
  social::Settings wanted = member.ReadSettings();
  wanted.face = Number(page.Item("face"));
  wanted.sex = Number(page.Item("sex"));
  wanted.f_size = Number(page.Item("f_size"));
  wanted.l_height = Number(page.Item("l_height"));
  wanted.n_color = Number(page.Item("n_color"));
  wanted.s_color = Number(page.Item("s_color"));
  wanted.bgcolor = page.Item("bg") + ":" + page.Item("c1") + ":" + page.Item("c2");
  const std::string refusal = member.ChangeSettings(wanted);
  reload = refusal.empty();
  return Outcome(refusal, "设置已经保存。");
}

}  // namespace

HttpResponse UserSet(Page& page) {
  std::optional<social::Member> member = FindMember(page);
  if (!member) return NotInChat(page);
  std::string message;
  bool reload = false;
  if (page.http().method == "POST") {
    message = FormAccepted(page) ? Apply(page, *member, reload) : Outcome(kFormExpired, "");
  }
  const social::Settings settings = member->ReadSettings();
  if (reload) message += "<script>if (parent != self) parent.location.reload();</script>";
  return MemberPage(
      page, "个人设置", message,
      SettingsForm(page, settings) + PasswordForm(page) + FriendsForm(page, settings.friends));
}

}  // namespace ravochat::server::pages
