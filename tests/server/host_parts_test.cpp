// The host's parts on their own: the command line, the escaping and templates of its own
// pages, the session store, the access-log file and its rotation, the request as the component
// sees it, and the trusted proxies with the visitor's address behind them.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/convert.h"
#include "server/operations/log_file.h"
#include "server/options.h"
#include "server/transport/markup.h"
#include "server/transport/request_adapter.h"
#include "server/transport/sessions.h"
#include "server/transport/trusted_proxy.h"
#include "support/temp_folder.h"

namespace ravochat::server {
namespace {

std::string Address(const Options& options) {
  return options.host + ":" + std::to_string(options.port);
}

TEST(ServerOptions, ValuesFollowTheNameOrAnEqualsSignAndRepeatedOptionsKeepTheirOrder) {
  const Options options =
      ParseOptions({"--listen", "0.0.0.0:9000", "--chat", "c1", "--chat=c2", "--set", "a=b=c",
                    "--help", "--state", "unix:/run/redis.sock"},
                   "");
  EXPECT_EQ(Address(options), "0.0.0.0:9000");
  EXPECT_EQ(options.state, "unix:/run/redis.sock");
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

TEST(Markup, EscapesForTextAttributesAndScriptsAndFillsOnlyClosedSlots) {
  EXPECT_EQ(HtmlEscape("a<b & \"c\" 'd'>"), "a&lt;b &amp; &quot;c&quot; &#39;d&#39;&gt;");
  EXPECT_EQ(JsString("it's \\ \"x\"\n</script>"), "'it\\'s \\\\ \\\"x\\\"\\n<\\/script>'");
  EXPECT_EQ(JsString("中文/路径"), "'中文/路径'");
  EXPECT_EQ(FillTemplate("<p><!--#a--></p><!--#b--><!-- plain -->", {{"a", "x"}}),
            "<p>x</p><!-- plain -->");
  EXPECT_EQ(FillTemplate("a<!--#b", {{"b", "x"}}), "a<!--#b");
}

TEST(MemorySessionStore, ExpireDropsOnlySessionsIdleForLongerThanTheLimit) {
  ManualClock clock;
  MemorySessionStore store(clock, 60);
  std::string old_id, new_id;
  store.Create(old_id);
  clock.Advance(40);
  store.Create(new_id);
  clock.Advance(20);
  EXPECT_EQ(store.Expire(), 0u);  // exactly the limit
  clock.Advance(1);
  EXPECT_EQ(store.Expire(), 1u);
  EXPECT_EQ(store.Find(old_id), nullptr);
  EXPECT_NE(store.Find(new_id), nullptr);
}

TEST(LogFile, LinesAreAppendedAndAfterRotationGoToAFreshFileUnderTheName) {
  const testing::TempFolder folder;
  const std::string path = folder.path() + "/access.log";
  folder.Write("access.log", "earlier\n", false);
  {
    LogFile log(path);
    log.Write("GET / 200");
    std::filesystem::rename(path, path + ".1");
    log.Write("GET /a 200");  // still the moved file, as until the signal
    log.Reopen();
    log.Write("GET /b 404");
  }
  EXPECT_EQ(folder.Read("access.log.1"), "earlier\nGET / 200\nGET /a 200\n");
  EXPECT_EQ(folder.Read("access.log"), "GET /b 404\n");
  EXPECT_THROW(LogFile(folder.path() + "/missing/x.log"), std::runtime_error);
}

std::string Text(const Value& v) { return convert::ToText(v); }

TEST(RequestAdapter, ItemsComeFromTheQueryBeforeTheFormAndServerVariablesFromTheOrigin) {
  HttpRequest http;
  http.query = {{"ID", "7"}};
  http.form = {{"says", "\xC4\xE3\xBA\xC3"}, {"id", "9"}, {"towho", "a"}, {"towho", "b"}};
  http.cookies = {{"lastsayid", "12"}};
  const MemoryRequest request = AdaptRequest(http, {});
  EXPECT_EQ(Text(request.Item("id")), "7");
  EXPECT_EQ(Text(request.Form("id")), "9");
  EXPECT_EQ(Text(request.Item("says")), "你好");
  EXPECT_EQ(Text(request.Form("towho")), "a, b");
  EXPECT_EQ(Text(request.Cookie("lastsayid")), "12");

  http.headers = {
      {"Via", "1.1 proxy"}, {"X-Forwarded-For", "10.0.0.1"}, {"x-forwarded-for", "::1"}};
  http.peer_address = "127.0.0.1";
  const MemoryRequest direct = AdaptRequest(http, RequestOrigin(http, TrustedProxies()));
  EXPECT_EQ(Text(direct.ServerVariable("REMOTE_ADDR")), "127.0.0.1");
  EXPECT_EQ(Text(direct.ServerVariable("HTTP_VIA")), "1.1 proxy");
  EXPECT_EQ(Text(direct.ServerVariable("http_x_forwarded_for")), "10.0.0.1, ::1");
  EXPECT_TRUE(direct.ServerVariable("HTTP_COOKIE").IsEmpty());
  EXPECT_TRUE(direct.Item("REMOTE_ADDR").IsEmpty());

  TrustedProxies trusted;
  ASSERT_TRUE(trusted.Add("127.0.0.1,::1"));
  const MemoryRequest proxied = AdaptRequest(http, RequestOrigin(http, trusted));
  EXPECT_EQ(Text(proxied.ServerVariable("REMOTE_ADDR")), "10.0.0.1");
  EXPECT_TRUE(proxied.ServerVariable("HTTP_X_FORWARDED_FOR").IsEmpty());
  EXPECT_EQ(Text(proxied.ServerVariable("HTTP_VIA")), "1.1 proxy");
}

TEST(TrustedProxies, NetworksMatchByPrefixInBothFamiliesAndAMistakeAddsNothing) {
  TrustedProxies trusted;
  ASSERT_TRUE(trusted.Add("10.1.0.0/16, 192.0.2.7 ,fd00::/8"));
  ASSERT_TRUE(trusted.Add("::ffff:198.51.100.0/120"));
  const std::vector<std::pair<std::string, bool>> cases = {
      {"10.1.255.3", true},      {"10.2.0.1", false}, {"192.0.2.7", true},  {"192.0.2.8", false},
      {"::ffff:10.1.0.9", true}, {"fd12::1", true},   {"fe80::1", false},   {"198.51.100.20", true},
      {"unknown", false},        {"", false},         {"10.1.0.1 ", false},
  };
  for (const auto& [address, trusts] : cases) {
    EXPECT_EQ(trusted.Trusts(address), trusts) << address;
  }
  EXPECT_TRUE(TrustedProxies().empty());
  for (std::string_view list :
       {"10.0.0.0/33", "::/129", "10.0.0.1/", "10.0.0.1/x", "host", "", " , ", "10.0.0.1,nope"}) {
    TrustedProxies trusted;
    EXPECT_FALSE(trusted.Add(list)) << list;
    EXPECT_TRUE(trusted.empty()) << list;
  }
}

TEST(TrustedProxies, TheVisitorIsTheRightMostUntrustedForwardedAddress) {
  TrustedProxies trusted;
  ASSERT_TRUE(trusted.Add("127.0.0.1,10.0.0.0/8"));
  struct Case {
    std::string peer, forwarded_for, address, beyond;
  };
  const std::vector<Case> cases = {
      // Untrusted peers are taken as they come, their header included.
      {"203.0.113.9", "1.2.3.4", "203.0.113.9", "1.2.3.4"},
      {"127.0.0.1", "", "127.0.0.1", ""},
      // A visitor's own proxy stays a proxy; forged entries left of it change nothing.
      {"127.0.0.1", "6.6.6.6, 198.51.100.7 ,203.0.113.5", "203.0.113.5", "6.6.6.6, 198.51.100.7"},
      {"127.0.0.1", "203.0.113.5, 10.0.0.2", "203.0.113.5", ""},
      {"127.0.0.1", "10.0.0.3, 10.0.0.2", "10.0.0.3", ""},
      {"127.0.0.1", "1.1.1.1, unknown, 10.0.0.2", "unknown", "1.1.1.1"},
      {"127.0.0.1", " , 203.0.113.5,", "203.0.113.5", ""},
  };
  for (const Case& c : cases) {
    const Origin origin = trusted.Resolve(c.peer, c.forwarded_for);
    EXPECT_EQ(origin.address, c.address) << c.forwarded_for;
    EXPECT_EQ(origin.forwarded_for, c.beyond) << c.forwarded_for;
  }
}

TEST(TrustedProxies, LoopbackIsTheLoopbackNetworksAndNothingThatOnlyLooksLikeThem) {
  for (const char* address : {"127.0.0.1", "127.255.0.9", "::1", "::ffff:127.0.0.1"}) {
    EXPECT_TRUE(IsLoopback(address)) << address;
  }
  for (const char* address : {"127.evil", "128.0.0.1", "::2"}) EXPECT_FALSE(IsLoopback(address));
}

}  // namespace
}  // namespace ravochat::server
