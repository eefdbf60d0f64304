// The running state that a restart of the host would otherwise lose: each chat's user and
// room lists, its ring and counters, and the visitors' sessions. The host saves it when it
// stops and takes it back at its next start, so the visitors online stay online across an
// upgrade and miss one poll at most.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ravochat/clock.h"
#include "ravochat/error.h"
#include "ravochat/host.h"
#include "ravochat/value.h"

namespace ravochat {

// A saved snapshot that cannot be taken back: another format, too old, or incomplete.
class SnapshotError : public Error {
 public:
  using Error::Error;
};

// A session as its host keeps it.
struct SavedSession {
  std::string chat;  // the ConstStr of the chat whose cookie names it
  std::string id;    // the cookie's value
  Date last_used;
  ValueMap values;
};

struct Snapshot {
  // The running values of each chat (by ConstStr) under their key names ("_says").
  std::map<std::string, ValueMap> chats;
  std::vector<SavedSession> sessions;
};

// The running values of chat `const_str`, read under the chat's lock: the user and room lists
// as text and the values of app_key::kRunningValues (ring, index, counters, post clock).
ValueMap CaptureChat(Application& app, std::string_view const_str);

// What RestoreChat took back of one chat.
struct RestoredChat {
  std::size_t visitors = 0;  // visitors online again
  std::size_t moved = 0;     // of them, moved to the first room because theirs is gone
};

// Puts the live part of `values` (as CaptureChat took them) into chat `const_str`, which was
// loaded from the database (OpenChat) since: the ring and counters, the visitors online, and
// each saved room's occupants into the loaded room of the same ID. The rooms, their settings
// and the configuration stay as loaded. A visitor whose room is no longer listed goes to the
// first room, where the room arrival notice ("_enterroomshow") from his old room announces
// him, written at the present of `clock`; with no room at all he is not taken back. Holds the
// chat's lock. Throws ListKeyError, before anything changed, for a saved record that lacks a
// field it needs.
RestoredChat RestoreChat(Application& app, std::string_view const_str, const ValueMap& values,
                         const Clock& clock);

// Replaces any snapshot saved in the database of `connstr` with `snapshot`, stamped with the
// present of `clock`, in one transaction. Throws DatabaseError (nothing is saved then).
void SaveSnapshot(const std::string& connstr, const Clock& clock, const Snapshot& snapshot);

// The snapshot saved in the database of `connstr`, deleted there so that it loads only once;
// nothing when none was saved. Throws, after deleting it: SnapshotError for a snapshot of
// another format, one saved more than `max_age_seconds` away from now, or a chat without its
// values or with a ring that is not whole; ConversionError for a damaged value. Throws
// DatabaseError when the database cannot be read (it is not deleted then).
std::optional<Snapshot> TakeSnapshot(const std::string& connstr, const Clock& clock,
                                     std::int64_t max_age_seconds);

}  // namespace ravochat
