// Field positions of the records the chat keeps in its shared lists and its ring.
// Operations name fields only through these constants.
#pragma once

#include <cstddef>

namespace ravochat {

// The login reads the first 10 characters of a user name; no user name is longer.
inline constexpr std::size_t kNameLength = 10;

// A visitor online: one record of "_user_list", keyed by the user name.
namespace user_field {
inline constexpr std::size_t kToken = 0;           // equals the session's "mytemp"
inline constexpr std::size_t kAddress = 1;         // network address
inline constexpr std::size_t kSex = 2;             // 0 or 1
inline constexpr std::size_t kLevel = 3;           // level stored in the user table
inline constexpr std::size_t kRoom = 4;            // ID of the visitor's room
inline constexpr std::size_t kLastSeen = 5;        // last poll or post
inline constexpr std::size_t kFace = 6;            // face picture number
inline constexpr std::size_t kZero = 7;            // the text 0
inline constexpr std::size_t kEffectiveLevel = 8;  // level every check uses
inline constexpr std::size_t kLastSayId = 9;       // newest message number sent
inline constexpr std::size_t kLastSaid = 10;       // time of the visitor's last message
inline constexpr std::size_t kLoginTime = 11;      // time of login
inline constexpr std::size_t kListText = 12;       // text handed to the people list
inline constexpr std::size_t kCount = 15;          // fields of a new record (0 to 14)
}  // namespace user_field

// A room: one record of "_room_list", keyed by the room ID in decimal.
namespace room_field {
inline constexpr std::size_t kName = 0;
inline constexpr std::size_t kOwner = 1;
inline constexpr std::size_t kRobot = 2;
inline constexpr std::size_t kDescription = 3;
inline constexpr std::size_t kTop = 4;
inline constexpr std::size_t kTitle = 5;
inline constexpr std::size_t kKeep = 6;
inline constexpr std::size_t kTime = 7;
inline constexpr std::size_t kTt = 8;
inline constexpr std::size_t kHtml = 9;
inline constexpr std::size_t kExp = 10;
inline constexpr std::size_t kBuildTime = 11;
inline constexpr std::size_t kOccupants = 12;  // names present, separated by single blanks
inline constexpr std::size_t kGuests = 13;
inline constexpr std::size_t kPermitLevel = 14;
inline constexpr std::size_t kDoorOpen = 15;  // the text 0 when the door is closed
inline constexpr std::size_t kCount = 16;
}  // namespace room_field

// A message: one row of the says ring "_says".
namespace ring_field {
inline constexpr std::size_t kNumber = 0;  // message number; 0 in a row never written
inline constexpr std::size_t kFrom = 1;
inline constexpr std::size_t kTo = 2;      // "大家" for everyone
inline constexpr std::size_t kSecret = 3;  // 0 for a public line
inline constexpr std::size_t kRoom = 4;    // below -1: every room
inline constexpr std::size_t kText = 5;    // the row's parent.addsay values
inline constexpr std::size_t kCount = 6;
}  // namespace ring_field

}  // namespace ravochat
