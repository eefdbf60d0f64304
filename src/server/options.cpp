// Parsing of the command line: "--name value" or "--name=value", repeatable --chat.
#include "server/options.h"

#include <charconv>
#include <string_view>

namespace ravochat::server {
namespace {

unsigned ParseUnsigned(std::string_view option, std::string_view text, unsigned max) {
  unsigned n = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n > max) {
    throw UsageError("--" + std::string(option) + ": not a number up to " + std::to_string(max) +
                     ": " + std::string(text));
  }
  return n;
}

// "host:port" or ":port" or "port".
void ParseListen(std::string_view text, Options& options) {
  const auto colon = text.rfind(':');
  std::string_view port = text;
  if (colon != std::string_view::npos) {
    if (colon > 0) options.host = std::string(text.substr(0, colon));
    port = text.substr(colon + 1);
  }
  options.port = static_cast<std::uint16_t>(ParseUnsigned("listen", port, 65535));
}

// A chat prefix becomes part of the URL and of every application key.
void CheckChatPrefix(std::string_view prefix) {
  for (char c : prefix) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-';
    if (!ok) throw UsageError("--chat: letters, digits, '_' and '-' only: " + std::string(prefix));
  }
  if (prefix == "admin") throw UsageError("--chat: the prefix admin is reserved");
}

void Apply(std::string_view name, const std::string& value, Options& options) {
  if (name == "listen") {
    ParseListen(value, options);
  } else if (name == "db") {
    options.db = value;
  } else if (name == "site") {
    options.site = value;
  } else if (name == "threads") {
    options.threads = ParseUnsigned(name, value, 256);
    if (options.threads == 0) throw UsageError("--threads: at least 1");
  } else if (name == "per-address") {
    options.connections_per_address = ParseUnsigned(name, value, 1000000);
  } else if (name == "chat") {
    CheckChatPrefix(value);
    options.chats.push_back(value);
  } else if (name == "set") {
    const auto eq = value.find('=');
    if (eq == 0 || eq == std::string::npos)
      throw UsageError("--set: ALIAS=VALUE expected: " + value);
    options.settings.emplace_back(value.substr(0, eq), value.substr(eq + 1));
  } else if (name == "admin-token") {
    options.admin_token = value;
  } else {
    throw UsageError("unknown option --" + std::string(name));
  }
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args, const std::string& default_site) {
  Options options;
  options.site = default_site;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      continue;
    }
    if (!arg.starts_with("--")) throw UsageError("unexpected argument " + std::string(arg));
    arg.remove_prefix(2);
    const auto eq = arg.find('=');
    if (eq != std::string_view::npos) {
      Apply(arg.substr(0, eq), std::string(arg.substr(eq + 1)), options);
    } else if (i + 1 < args.size()) {
      Apply(arg, args[++i], options);
    } else {
      throw UsageError("--" + std::string(arg) + " needs a value");
    }
  }
  if (options.chats.empty()) options.chats.push_back("");
  return options;
}

std::string UsageText() {
  return "Usage: ravochat-server [options]\n"
         "Serves the chat and its site over HTTP.\n\n"
         "  --listen HOST:PORT   address to listen on (default 127.0.0.1:8080)\n"
         "  --db PATH            database file, created when missing (default data/chat.db)\n"
         "  --site DIR           folder of the static site (default: the site of the build)\n"
         "  --threads N          worker threads (default 4)\n"
         "  --per-address N      open connections allowed to one client address; 0 for\n"
         "                       no limit (default 64)\n"
         "  --chat PREFIX        host a chat with this key prefix, served under /PREFIX/;\n"
         "                       repeatable; the first is also served at / (default: one\n"
         "                       chat with the empty prefix)\n"
         "  --set ALIAS=VALUE    store the configuration row ALIAS in the database before\n"
         "                       loading (for example --set maxpeople=500); repeatable\n"
         "  --admin-token TEXT   open /admin/rooms.asp and /admin/users.asp to loopback\n"
         "                       requests carrying token=TEXT (default: closed)\n"
         "  --help               this text\n";
}

}  // namespace ravochat::server
