// The command line of ravochat-server.
#include "server/options.h"

#include "gtest/gtest.h"

namespace ravochat::server {
namespace {

std::string Address(const Options& options) {
  return options.host + ":" + std::to_string(options.port);
}

TEST(ServerOptions, TheBareCommandServesOneChatOnTheLoopbackPort8080) {
  const Options options = ParseOptions({}, "/site");
  EXPECT_EQ(Address(options) + " " + options.db + " " + options.site,
            "127.0.0.1:8080 data/chat.db /site");
  EXPECT_EQ(options.chats, std::vector<std::string>{""});
  EXPECT_EQ(options.admin_token + options.state, "");
  EXPECT_EQ(options.threads, 4u);
}

TEST(ServerOptions, ValuesFollowTheNameOrAnEqualsSignAndRepeatedOptionsKeepTheirOrder) {
  const Options options =
      ParseOptions({"--listen", "0.0.0.0:9000", "--chat", "c1", "--chat=c2", "--set", "a=b=c",
                    "--help", "--state", "unix:/run/redis.sock"},
                   "");
  EXPECT_EQ(Address(options), "0.0.0.0:9000");
  EXPECT_EQ(options.state, "unix:/run/redis.sock");
  EXPECT_EQ(options.threads, 16u);
  EXPECT_EQ(options.chats, (std::vector<std::string>{"c1", "c2"}));
  EXPECT_EQ(options.settings, (std::vector<std::pair<std::string, std::string>>{{"a", "b=c"}}));
  EXPECT_TRUE(options.help);
  EXPECT_EQ(Address(ParseOptions({"--listen=:81"}, "")), "127.0.0.1:81");
}

TEST(ServerOptions, BackupTakesItsDestinationFirstAndTheServerOptionsAfter) {
  const Options options = ParseOptions({"backup", "/b/chat.db", "--db", "x.db"}, "");
  EXPECT_EQ(options.backup_to + " " + options.db, "/b/chat.db x.db");
  EXPECT_TRUE(ParseOptions({"reload", "--state", "unix:/r.sock"}, "").reload);
  const Options import = ParseOptions({"import", "exp", "--encoding", "gbk", "--skip-bad"}, "");
  EXPECT_EQ(import.import_from + " " + import.encoding, "exp gbk");
  EXPECT_TRUE(import.skip_bad && !import.merge);
  const Options copy = ParseOptions({"copy", "--from", "a.db", "--merge"}, "");
  EXPECT_EQ(copy.copy_from, "a.db");
  EXPECT_TRUE(copy.copy && copy.merge);
  EXPECT_EQ(ParseOptions({"--trust-proxy", "10.0.0.0/8", "--access-log", "a.log"}, "")
                .trusted_proxies.Trusts("10.9.9.9"),
            true);
}

TEST(ServerOptions, MistakesAreUsageErrorsThatNameTheOption) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--port", "1"}, "unknown option --port"},
      {{"--listen", "host:65536"}, "--listen: not a number up to 65535: 65536"},
      {{"--threads", "0"}, "--threads: at least 1"},
      {{"--chat", "a/b"}, "--chat: letters, digits, '_' and '-' only: a/b"},
      {{"--chat", "admin"}, "--chat: the prefix admin is reserved"},
      {{"--set", "=x"}, "--set: ALIAS=VALUE expected: =x"},
      {{"--set", "x"}, "--set: ALIAS=VALUE expected: x"},
      {{"--db"}, "--db needs a value"},
      {{"--state", "localhost:6379"},
       "--state: redis://HOST:PORT[/DB] or unix:/path/to/redis.sock expected: localhost:6379"},
      {{"db.sqlite"}, "unexpected argument db.sqlite"},
      {{"backup", "--db", "x"}, "backup needs a DEST"},
      {{"import", "--db", "x"}, "import needs a FOLDER"},
      {{"copy", "--db", "x"}, "copy needs --from SOURCE, the database to copy"},
      {{"reload"}, "reload needs --state: a server without it reloads on its settings page"},
      {{"--trust-proxy", "10.0.0.0/40"}, "--trust-proxy: ADDR[/BITS],... expected: 10.0.0.0/40"},
  };
  for (const auto& [args, message] : cases) {
    try {
      ParseOptions(args, "");
      ADD_FAILURE() << "accepted " << args[0];
    } catch (const UsageError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

}  // namespace
}  // namespace ravochat::server
