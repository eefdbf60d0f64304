// The component's view of an HTTP request.
#include "server/request_adapter.h"

#include "core/convert.h"
#include "gtest/gtest.h"

namespace ravochat::server {
namespace {

std::string Text(const Value& v) { return convert::ToText(v); }

HttpRequest Sample() {
  HttpRequest request;
  request.method = "POST";
  request.path = "/say.asp";
  request.query = {{"id", "7"}, {"towho", "\xB4\xF3\xBC\xD2"}};  // 大家 in GBK
  request.form = {{"says", "\xC4\xE3\xBA\xC3"}, {"id", "9"}};    // 你好
  request.headers = {{"Via", "1.1 proxy"}, {"X-Forwarded-For", "10.0.0.1"}};
  request.peer_address = "127.0.0.1";
  return request;
}

TEST(RequestAdapter, ItemsComeFromTheQueryBeforeTheForm) {
  const MemoryRequest request = AdaptRequest(Sample());
  EXPECT_EQ(Text(request.Item("id")), "7");
  EXPECT_EQ(Text(request.Form("id")), "9");
  EXPECT_EQ(Text(request.Item("says")), "你好");
}

TEST(RequestAdapter, ValuesAreDecodedFromGbk) {
  EXPECT_EQ(Text(AdaptRequest(Sample()).Item("towho")), "大家");
}

TEST(RequestAdapter, ServerVariablesNameThePeerAndTheHeaders) {
  const MemoryRequest request = AdaptRequest(Sample());
  EXPECT_EQ(Text(request.ServerVariable("REMOTE_ADDR")), "127.0.0.1");
  EXPECT_EQ(Text(request.ServerVariable("HTTP_VIA")), "1.1 proxy");
  EXPECT_EQ(Text(request.ServerVariable("http_x_forwarded_for")), "10.0.0.1");
  EXPECT_TRUE(request.ServerVariable("HTTP_COOKIE").IsEmpty());
}

TEST(RequestAdapter, AFieldSentTwiceReadsAsBothValues) {
  HttpRequest http;
  http.form = {{"towho", "a"}, {"towho", "b"}};
  EXPECT_EQ(Text(AdaptRequest(http).Form("towho")), "a, b");
}

TEST(RequestAdapter, AnInvalidByteBecomesTheReplacementCharacter) {
  HttpRequest http;
  http.query = {{"errtext", "a\xFF"}};
  EXPECT_EQ(Text(AdaptRequest(http).Item("errtext")), "a\xEF\xBF\xBD");
}

}  // namespace
}  // namespace ravochat::server
