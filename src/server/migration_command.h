// The "import" and "copy" commands of ravochat-server: they run the library's migration and
// write what it did: a progress line per table on a terminal, the notes, the counts.
#pragma once

#include "options.h"

namespace ravochat::server {

// Imports the CSV export of `options.import_from` into `options.db`. Returns the exit code.
// Throws ravochat::Error when nothing was imported.
int RunImport(const Options& options);

// Copies every table of `options.copy_from` into `options.db`. Returns the exit code.
// Throws ravochat::Error when nothing was copied.
int RunCopy(const Options& options);

}  // namespace ravochat::server
