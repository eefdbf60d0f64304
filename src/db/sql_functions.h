// The functions the chat's statements call besides SQLite's own: now() reads the clock of
// the handle's current connection; datediff(interval, a, b) counts the boundaries of
// 'd', 'h', 'n' or 's' crossed from a to b, negative when a is later.
#pragma once

#include <sqlite3.h>

namespace ravochat::db {

class Handle;

// Registers now() and datediff() on the database of `handle`. Returns SQLite's result code.
int RegisterFunctions(Handle& handle);

}  // namespace ravochat::db
