// The guest book: notes left for a chatter, online or not, which only he reads and
// deletes; the login notice tells him of the notes left since he last left.
#include "core/convert.h"
#include "ravochat/social.h"
#include "social/social_texts.h"

namespace ravochat::social {

std::string Member::LeaveNote(const std::string& to_who, const std::string& message) {
  const std::optional<std::string> stored = StoredName(to_who);
  if (!stored) return std::string(texts::kNoSuchUser);
  if (*stored == name_) return std::string(texts::kNotYourself);
  const std::string note = Filtered(message, kNoteLength);
  if (note.empty()) return std::string(texts::kEmptyMessage);
  conn_->Execute("INSERT INTO guestbook (who,towho,message,post_time) VALUES (?,?,?,?)",
                 {name_, *stored, note, NowText()});
  Tell(*stored, "【系统】" + name_ + "给你留言了，点[留言簿]观看！");
  return "";
}

std::vector<Note> Member::Notes() {
  std::vector<Note> notes;
  for (db::Recordset rs =
           conn_->Execute("SELECT * FROM guestbook WHERE towho=? ORDER BY ID DESC", {name_});
       !rs.Eof(); rs.MoveNext()) {
    notes.push_back({static_cast<std::int64_t>(convert::ToDouble(rs.Field("ID"))),
                     convert::ToText(rs.Field("who")), convert::ToText(rs.Field("message")),
                     convert::DateToText(convert::ToDate(rs.Field("post_time")))});
  }
  return notes;
}

std::string Member::DeleteNote(std::int64_t id) {
  db::Recordset rs = conn_->Execute("SELECT ID FROM guestbook WHERE ID=? AND towho=?", {id, name_});
  if (rs.Eof()) return std::string(texts::kNoSuchNote);
  conn_->Execute("DELETE FROM guestbook WHERE ID=? AND towho=?", {id, name_});
  return "";
}

}  // namespace ravochat::social
