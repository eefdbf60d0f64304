// A chat ready for a test: rows and settings go into a temporary database, Init loads them
// with InitGlobal, and Enter puts visitors online the way the login does.
#include "support/chat_fixture.h"

#include "state/chat_state.h"

#include <vector>

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/records.h"

namespace ravochat::testing {

Date FixtureStart() { return convert::FromCivil({2026, 12, 6, 12, 0, 0}); }

ChatFixture::ChatFixture(std::string prefix_in, Backend backend)
    : db(false, backend), clock(FixtureStart()), prefix(std::move(prefix_in)) {
  // The cheapest argon2id: tests log in many users, under the sanitizers too. The test of the
  // default cost removes these rows.
  Params({"passwordmemory=1", "passwordpasses=1"});
}

void ChatFixture::Param(std::string_view alias, std::string_view body) {
  db.Exec("DELETE FROM sysparam WHERE alias=?", {alias});
  db.Exec("INSERT INTO sysparam (alias, body) VALUES (?, ?)", {alias, body});
}

void ChatFixture::Params(std::initializer_list<std::string_view> settings) {
  for (std::string_view setting : settings) {
    const std::size_t equals = setting.find('=');
    Param(setting.substr(0, equals), setting.substr(equals + 1));
  }
}

void ChatFixture::Room(int id, std::string_view name, std::string_view owner) {
  std::string now = convert::DateToText(clock.Now());
  db.Exec(
      "INSERT INTO room (ID, room_name, room_owner, room_auto, room_des, room_top, room_title, "
      "room_keep, room_time, room_tt, room_html, room_exp, build_time, permit_level, door_open) "
      "VALUES (?, ?, ?, 'robot', '', '', '', 0, ?, '0', '0', 0, ?, 0, 1)",
      {id, name, owner, now, now});
}

void ChatFixture::Init(Application* into) {
  Application& target = into != nullptr ? *into : app;
  target.Set(app_key::AppKey(prefix, app_key::kConnStr), Value(db.connstr()));
  Component()->InitGlobal(target);
}

std::unique_ptr<lumochat> ChatFixture::Component() {
  auto component = std::make_unique<lumochat>(clock);
  component->ConstStr = prefix;
  return component;
}

Value ChatFixture::Get(std::string_view name) const {
  return app.Get(app_key::AppKey(prefix, name));
}

void ChatFixture::Set(std::string_view name, Value value) {
  app.Set(app_key::AppKey(prefix, name), std::move(value));
}

std::string ChatFixture::ListField(std::string_view list, const Value& key, std::size_t field) {
  return Component()->GetListValue(Get(list), key, field);
}

void ChatFixture::SetListField(std::string_view list, const Value& key, std::size_t field,
                               std::string_view value) {
  Set(list, Value(Component()->SetListValue(Get(list), key, field, Value(value), 0)));
}

std::string ChatFixture::Poll(Session& session) {
  MemoryRequest request;
  return Component()->refresh(app, session, request);
}

MemorySession& ChatFixture::Enter(const std::string& name, int room, int level, Application* into) {
  Application& target = into != nullptr ? *into : app;
  const std::string now = convert::DateToText(clock.Now());
  {
    state::ChatState& chat = target.Chat(prefix);
    state::MutexLock lock(chat.mutex());
    // The newest message number: the one in the ring's current slot, 0 before the ring exists.
    const Value says = target.Get(app_key::AppKey(prefix, app_key::kSays));
    const std::string newest =
        says.kind() != Value::Kind::kGrid
            ? "0"
            : convert::ToText(
                  says.At(convert::ToInt32(target.Get(app_key::AppKey(prefix, app_key::kCurrent))),
                          ring_field::kNumber));
    const std::string lv = convert::ToText(level);
    // token, address, sex, level, room, last seen, face, 0, effective level, newest, times
    std::vector<std::string> fields = {
        name, "127.0.0.1", "0", lv, convert::ToText(room), now, "1010", "0", lv, newest, now, now};
    fields.resize(user_field::kCount + 1);  // the last element stands behind the last "$>"
    chat.Append(state::List::kUsers, name, std::move(fields));
    chat.AddOccupant(std::to_string(room), name);
  }
  auto& session = sessions_[name];
  if (!session) session = std::make_unique<MemorySession>();
  session->Set("myname", Value(name));
  session->Set("mytemp", Value(name));
  return *session;
}

}  // namespace ravochat::testing
