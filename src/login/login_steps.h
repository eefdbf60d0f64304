// The steps of a login that LoginCheck runs in order, each a free function over the
// component it works for. A check returns no refusal (kNone) when the visitor may go on,
// else the refusal with its text.
#pragma once

#include <string>

#include "core/classic_random.h"
#include "login/visitor.h"
#include "ravochat/clock.h"
#include "ravochat/database.h"
#include "ravochat/host.h"
#include "ravochat/login.h"
#include "ravochat/lumochat.h"

namespace ravochat::login {

// The visitor's address, name and password from the request; sets the component's
// FilterStr to the name filter.
Visitor ReadLoginForm(lumochat& component, Application& TheApplication, Request& TheRequest);

// The name and password rules: not the password, not empty, long enough and not too long,
// no forbidden character or word.
LoginOutcome CheckLoginName(lumochat& component, Application& TheApplication,
                            const Visitor& visitor);

// Sets the component's room_id to the requested room, or to the first room when it is not
// listed; refuses when the chat has no room.
LoginOutcome ChooseRoom(lumochat& component, Application& TheApplication, Request& TheRequest);

// The rules of the chosen room: its robot's name, its level and its door.
LoginOutcome CheckRoomRules(const lumochat& component, Application& TheApplication,
                            const Visitor& visitor);

// Checks the user's row and address through `conn`, then creates or updates the row and
// fills in the visitor's level, face, sex, stored name and login notice. A new user's
// colours are drawn from `rng`. Throws DatabaseError.
LoginOutcome AdmitUser(lumochat& component, Application& TheApplication, Request& TheRequest,
                       db::Connection& conn, const Clock& clock, ClassicRandom& rng,
                       Visitor& visitor);

// Puts the admitted visitor online: user list, room (the component's room_id, or the room he
// is still listed in), session, announcement, notice.
void EnterChat(lumochat& component, Application& TheApplication, Session& TheSession,
               const Clock& clock, const Visitor& visitor);

}  // namespace ravochat::login
