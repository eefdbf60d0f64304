// Request fields from arbitrary bytes: "query\nform", each "name=value&..." percent-encoded
// as a browser sends it. The adapted request and the check of its numbers never fail, and
// a request the check passes converts in every operation that reads it.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/convert.h"
#include "ravochat/request_check.h"
#include "server/transport/request_adapter.h"

using namespace ravochat;

namespace {

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Decode(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && Hex(text[i + 1]) >= 0 &&
               Hex(text[i + 2]) >= 0) {
      out += static_cast<char>(Hex(text[i + 1]) * 16 + Hex(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

server::Fields Parse(std::string_view text) {
  server::Fields fields;
  while (!text.empty()) {
    std::string_view pair = text.substr(0, text.find('&'));
    text.remove_prefix(pair.size() < text.size() ? pair.size() + 1 : text.size());
    const std::size_t eq = pair.find('=');
    fields.emplace_back(Decode(pair.substr(0, eq)),
                        eq == std::string_view::npos ? "" : Decode(pair.substr(eq + 1)));
  }
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\n');
  server::HttpRequest http;
  http.method = "POST";
  http.query = Parse(input.substr(0, split));
  if (split != std::string_view::npos) http.form = Parse(input.substr(split + 1));
  const MemoryRequest request =
      server::AdaptRequest(http, server::RequestOrigin(http, server::TrustedProxies()));
  if (UnfitRequestItem(RequestOf::kRefresh, request).empty()) {
    const Value sayid = request.Item("sayid");
    if (!sayid.IsEmpty() && !convert::ToText(sayid).empty()) convert::ToInt32(sayid);
  }
  if (UnfitRequestItem(RequestOf::kSubsay, request).empty()) {
    convert::ToInt32(request.Item("id"));
    if (convert::IsNumeric(request.Item("addsays"))) convert::ToInt32(request.Item("addsays"));
  }
  if (UnfitRequestItem(RequestOf::kLoginCheck, request).empty() &&
      convert::IsNumeric(request.Item("room_id"))) {
    convert::ToInt32(request.Item("room_id"));
  }
  return 0;
}
