// The room list's record of one row of the room table: the one place that maps the table's
// columns to the record's fields (room_field).
#pragma once

#include <string>
#include <vector>

#include "ravochat/database.h"

namespace ravochat {

// The 16 fields of the room record of the recordset's current row (and the empty element
// behind the last "$>"): a null column as the empty text, the occupant and guest fields empty.
std::vector<std::string> RoomFields(const db::Recordset& rs);

}  // namespace ravochat
