// What the server refuses at its edge, and that a refusal changes nothing: values that are
// no numbers, ambiguous framing, oversized headers, cross-site requests, connections beyond
// an address's limit; and the failure page with a log line that a logged value cannot forge.
#include "core/keyed_list.h"
#include "server/operations/log.h"
#include "server/server_fixture.h"

namespace ravochat::testing {
namespace {

TEST_P(ServerTest, ANumberThatDoesNotConvertIsRefusedWith400AndChangesNothing) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  const std::string current = AppText("_current");
  const std::string users = AppText("_user_list");
  const struct {
    const char* target;
    const char* form;
  } cases[] = {
      {"/refresh.asp?sayid=abc", nullptr},
      {"/say.asp", "says=hi&id=abc"},
      {"/say.asp?id=", "says=hi"},
      {"/say.asp", "says=hi&id=0&addsays=2147483648"},
      {"/login.asp", "sUserName=bob&sPass=secret2&bSex=0&room_id=2147483648"},
  };
  for (const auto& c : cases) {
    const HttpReply reply = c.form == nullptr ? Client()->Get(c.target, {amy})
                                              : Client()->Post(c.target, c.form, {amy});
    EXPECT_EQ(reply.status, 400) << c.target << " " << (c.form ? c.form : "");
  }
  EXPECT_EQ(AppText("_current"), current);
  EXPECT_EQ(AppText("_user_list"), users);
  EXPECT_EQ(Client()->Post("/say.asp", "says=hi&id=0&addsays=x", {amy}).status, 200);
  EXPECT_NE(AppText("_current"), current);
  EXPECT_TRUE(ErrorLines().empty());
}

// Ambiguous framing is refused with 400; oversized headers get an answer.
TEST_P(SqliteServerTest, AmbiguousFramingIsRefusedAndOversizedHeadersGetAnAnswer) {
  Start();
  EXPECT_EQ(Client()->Post("/say.asp", "says=hi&id=0", {"Content-Length: 12"}).status, 400);
  EXPECT_EQ(Client()->Post("/say.asp", "says=hi&id=0", {"Content-Length: 3"}).status, 400);
  EXPECT_EQ(Client()->Post("/say.asp", "says=hi&id=0", {"Transfer-Encoding: chunked"}).status, 400);
  // Sizes beside the bands where the library itself has no room to answer (see HttpConfig).
  for (std::size_t size : {6200, 7000, 9000, 12000, 15000, 20000, 40000}) {
    EXPECT_EQ(Client()->Get("/", {"Cookie: a=" + std::string(size, 'x')}).status, 431) << size;
  }
  // The largest block under the limit still leaves room for the answer.
  EXPECT_EQ(Client()->Get("/", {"Cookie: a=" + std::string(6000, 'x')}).status, 200);
}

TEST_P(SqliteServerTest, AStateChangingRequestFromAnotherSiteIsRefusedAndChangesNothing) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  const std::string users = AppText("_user_list");
  const std::vector<std::vector<std::string>> foreign = {
      {amy, "Sec-Fetch-Site: cross-site"},
      {amy, "Sec-Fetch-Site: same-site"},
      {amy, "Origin: http://evil.example"},
      {amy, "Origin: null"},
  };
  for (const auto& headers : foreign) {
    EXPECT_EQ(Client()->Get("/changeroom.asp?toroom=2", headers).status, 403) << headers[1];
    EXPECT_EQ(Client()->Get("/close.asp", headers).status, 403) << headers[1];
    EXPECT_EQ(Client()->Post("/say.asp", "says=hi&id=0", headers).status, 403) << headers[1];
  }
  EXPECT_EQ(AppText("_user_list"), users);
  EXPECT_EQ(Client()->Get("/refresh.asp", {amy, "Sec-Fetch-Site: cross-site"}).status, 200);
  EXPECT_EQ(Client()->Get("/changeroom.asp?toroom=2", {amy, "Sec-Fetch-Site: same-origin"}).status,
            200);
  EXPECT_EQ(Client()->Get("/close.asp", {amy, "Origin: http://127.0.0.1"}).status, 200);
  EXPECT_FALSE(keyed_list::Contains(AppText("_user_list"), "amy"));
}

// A failing operation gives the 500 page and one log line.
TEST_P(SqliteServerTest, ALineBreakInALoggedValueCannotForgeALogLine) {
  Start();
  const std::string amy = CookieLine("amy", "secret1");
  server_->application().Set("_maxsayslength", Value("many\nerror GET /forged"));
  const HttpReply reply = Client()->Post("/say.asp", "says=hi&id=0", {amy});
  EXPECT_EQ(reply.status, 500);
  EXPECT_TRUE(Has(reply.body, Gbk("服务器出错了")));
  ASSERT_EQ(ErrorLines().size(), 1u);
  EXPECT_TRUE(ErrorLines()[0].starts_with("error POST /say.asp: ")) << ErrorLines()[0];
  EXPECT_NE(ErrorLines()[0].find("many\\x0aerror GET /forged"), std::string::npos);
  EXPECT_EQ(server::EscapeLogText("a\r\n\x1b\x7f\\b"), "a\\x0d\\x0a\\x1b\\x7f\\\\b");
}

TEST_P(SqliteServerTest, OneAddressHoldsNoMoreConnectionsThanItsLimit) {
  Start({"--per-address", "2"});
  auto first = Client();
  auto second = Client();
  EXPECT_EQ(first->Get("/").status, 200);
  EXPECT_EQ(second->Get("/").status, 200);
  EXPECT_THROW(Client()->Get("/"), std::runtime_error);
  first.reset();
  // The server learns of the closed connection on its own thread.
  int status = 0;
  for (int attempt = 0; attempt < 1000 && status == 0; ++attempt) {
    try {
      status = Client()->Get("/").status;
    } catch (const std::runtime_error&) {
    }
  }
  EXPECT_EQ(status, 200);
}

}  // namespace
}  // namespace ravochat::testing
