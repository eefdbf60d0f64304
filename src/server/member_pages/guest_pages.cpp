// guest.asp: the notes left for the visitor, each with its delete button, and the form
// that leaves a note for another chatter, online or not.
#include <charconv>
#include <string>

#include "member_pages/member_page.h"
#include "pages.h"
#include "transport/form_token.h"
#include "transport/markup.h"

namespace ravochat::server::pages {
namespace {

std::int64_t NoteId(const std::string& text) {
  std::int64_t id = 0;
  std::from_chars(text.data(), text.data() + text.size(), id);
  return id;
}

std::string NoteForm(Page& page, const std::string& to_who) {
  return "<h2>留言给聊友</h2><form method=post action=guest.asp id=note><input type=hidden "
         "name=do value=leave>" +
         FormTokenInput(page.session()) +
         "<div class=field><label class=title>给</label><input type=text name=towho "
         "maxlength=20 value=\"" +
         HtmlEscape(to_who) + "\"></div><div class=field><textarea name=message rows=4 maxlength=" +
         std::to_string(social::kNoteLength) +
         "></textarea></div><div class=buttons><input type=submit value=留言></div></form>";
}

std::string NoteItem(Page& page, const social::Note& note) {
  return "<li><span class=time>" + HtmlEscape(note.time) + "</span> <b>" + HtmlEscape(note.who) +
         "</b>：" + HtmlEscape(note.message) +
         " <form method=post action=guest.asp class=inline><input type=hidden name=do "
         "value=delete><input type=hidden name=id value=" +
         std::to_string(note.id) + ">" + FormTokenInput(page.session()) +
         "<input type=submit value=删除></form></li>";
}

std::string Apply(Page& page, social::Member& member) {
  if (page.Item("do") == "delete") {
    return Outcome(member.DeleteNote(NoteId(page.Item("id"))), "留言已经删除。");
  }
  return Outcome(member.LeaveNote(page.Item("towho"), page.Item("message")), "留言已经送出。");
}

}  // namespace

HttpResponse Guest(Page& page) {
  std::optional<social::Member> member = FindMember(page);
  if (!member) return NotInChat(page);
  std::string message;
  if (page.http().method == "POST") {
    message = FormAccepted(page) ? Apply(page, *member) : Outcome(kFormExpired, "");
  }
  std::string items;
  for (const social::Note& note : member->Notes()) items += NoteItem(page, note);
  const std::string notes =
      items.empty() ? "<p id=notes>还没有给你的留言。</p>" : "<ul id=notes>" + items + "</ul>";
  return MemberPage(page, "留言簿", message, notes + NoteForm(page, page.Item("towho")));
}

}  // namespace ravochat::server::pages
