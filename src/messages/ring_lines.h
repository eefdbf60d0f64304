// Appending lines to a chat's says ring: the one read-append-store sequence every writer of
// the ring uses. The ring ("_says") and its index ("_current") change together, under the
// chat's mutex, and not at all when an append fails.
#pragma once

#include <span>

#include "ravochat/host.h"
#include "ravochat/lumochat.h"
#include "ravochat/value.h"
#include "state/chat_state.h"

namespace ravochat::messages {

// One line as Newsay takes it.
struct RingLine {
  Value who;
  Value to_who;
  Value secret = 0;  // 0 for a public line
  Value room;        // below -1: every room
  Value text;        // already safe inside a single-quoted script string
  Value color1 = "";
  Value color2 = "";
  Value act;
};

// The ring and its index as they were stored.
struct Ring {
  Value says;
  Value current;
};

// Appends `lines` in order to the ring of the chat `component.ConstStr` names, each through
// `component.Newsay` (so stamped with its clock's time), and stores the ring and its index
// back. Returns them as stored. Changes nothing when it throws: ConversionError or ListKeyError
// for a damaged ring.
Ring AppendLines(lumochat& component, Application& app, state::ChatState& chat,
                 std::span<const RingLine> lines) REQUIRES(chat.mutex());

}  // namespace ravochat::messages
