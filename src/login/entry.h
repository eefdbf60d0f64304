// The user-list record the login writes for a visitor who enters the chat.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ravochat::login {

// The values of a new user-list record; the three times are all the login moment.
struct OnlineRecord {
  std::string token;  // the session's "mytemp"
  std::string address;
  int sex = 0;
  std::string level;
  std::int32_t room = 0;
  std::string now;  // last poll, last message and login time
  std::int32_t face = 0;
  std::string effective_level;
  std::int64_t last_say_id = 0;  // the newest message number minus 10
};

// The fields of a new user record: fields 0 to 14 and the empty element behind the last,
// field 7 the text 0 and fields 12 to 14 empty.
std::vector<std::string> LoginRecord(const OnlineRecord& record);

}  // namespace ravochat::login
