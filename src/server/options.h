// The command line of ravochat-server: where it listens, which database and site it
// serves, and which chats it hosts. Every option has a default, so the bare command
// serves a working chat on 127.0.0.1:8080 from data/chat.db.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "transport/trusted_proxy.h"

namespace ravochat::server {

// The --access-log value that sends access lines to standard error.
inline constexpr std::string_view kAccessLogToStandardError = "-";

struct Options {
  std::string host = "127.0.0.1";
  std::uint16_t port = 8080;
  // The database file; every chat's "_connstr".
  std::string db = "data/chat.db";
  // The Redis server that holds the chats' state and sessions for every process serving
  // them ("redis://HOST:PORT[/DB]" or "unix:/path/to/redis.sock"); empty: this process's memory.
  std::string state;
  // The folder of the static site.
  std::string site;
  // Worker threads; 0 until given: 4, or 16 with a shared state, whose requests mostly wait
  // for Redis.
  unsigned threads = 0;
  // Connections one client address may hold open at once; 0 for no limit.
  unsigned connections_per_address = 64;
  // Push channels open at once; a window past the limit polls.
  unsigned max_channels = 50000;
  // The ConstStr of every chat hosted. A chat with a prefix is served under "/<prefix>/";
  // the first one is also served at "/".
  std::vector<std::string> chats;
  // Configuration rows (sysparam alias, body) stored in the database before the chats
  // are loaded.
  std::vector<std::pair<std::string, std::string>> settings;
  // Token that opens the backup page to loopback requests; empty keeps it closed.
  std::string admin_token;
  // Reverse proxies whose X-Forwarded-For names the visitor.
  TrustedProxies trusted_proxies;
  // The file access-log lines go to (reopened on SIGHUP); kAccessLogToStandardError: standard
  // error; empty: no access lines.
  std::string access_log;
  // Set by "backup DEST": write a copy of the database to DEST instead of serving.
  std::string backup_to;
  // Set by "import FOLDER": the folder of an existing installation's CSV export to import
  // into the database instead of serving.
  std::string import_from;
  // Set by "copy": copy every table of the database --from into the database instead of
  // serving.
  bool copy = false;
  // --from: the database "copy" reads.
  std::string copy_from;
  // --encoding: of the CSV files of "import"; empty to detect it.
  std::string encoding;
  // --skip-bad: "import" leaves out the rows it cannot read (listed in refused.csv).
  bool skip_bad = false;
  // --merge: "import" and "copy" add to a database that holds users already.
  bool merge = false;
  // Set by "reload": load the settings of the chats in the shared state again instead of
  // serving (every process serving them takes them at its next request).
  bool reload = false;
  // Set by --set-admin-password: read the operator's password from standard input and store
  // its hash instead of serving.
  bool set_admin_password = false;
  bool help = false;
};

// A command line that cannot be understood; the message names the option.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The options of `args` (without the program name). `default_site` is the site folder
// used when --site is not given. Throws UsageError.
Options ParseOptions(const std::vector<std::string>& args, const std::string& default_site);

// The --help text.
std::string UsageText();

}  // namespace ravochat::server
