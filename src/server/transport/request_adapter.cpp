// Decoding of query, form and header values into a MemoryRequest.
#include "transport/request_adapter.h"

#include <functional>
#include <string>

#include "ravochat/host.h"
#include "transport/gbk_edge.h"

namespace ravochat::server {
namespace {

// "X-Forwarded-For" -> "HTTP_X_FORWARDED_FOR".
std::string HeaderVariable(std::string_view header) {
  std::string name = "HTTP_";
  for (char c : header) {
    if (c == '-') {
      name.push_back('_');
    } else if (c >= 'a' && c <= 'z') {
      name.push_back(static_cast<char>(c - 'a' + 'A'));
    } else {
      name.push_back(c);
    }
  }
  return name;
}

// Adds every field through `set`, decoded, a repeated name joined as the page engine
// joins it.
void AddFields(const Fields& fields, const std::function<Value(std::string_view)>& get,
               const std::function<void(std::string_view, Value)>& set) {
  for (const auto& [raw_name, raw_value] : fields) {
    const std::string name = FromWire(raw_name);
    std::string value = FromWireValue(raw_value);
    const Value earlier = get(name);
    if (!earlier.IsEmpty()) value = ValueText(earlier) + ", " + value;
    set(name, Value(std::move(value)));
  }
}

bool IsForwardedFor(std::string_view header) {
  constexpr std::string_view kName = "x-forwarded-for";
  if (header.size() != kName.size()) return false;
  for (std::size_t i = 0; i < header.size(); ++i) {
    const char c = header[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kName[i]) return false;
  }
  return true;
}

}  // namespace

Origin RequestOrigin(const HttpRequest& request, const TrustedProxies& trusted) {
  std::string forwarded_for;
  for (const auto& [name, value] : request.headers) {
    if (!IsForwardedFor(name)) continue;
    if (!forwarded_for.empty()) forwarded_for += ", ";
    forwarded_for += value;
  }
  Origin origin = trusted.Resolve(request.peer_address, forwarded_for);
  const std::string* proto = request.Header("X-Forwarded-Proto");
  origin.secure = request.secure || (trusted.Trusts(request.peer_address) && proto != nullptr &&
                                     strings::EqualsIgnoreCase(*proto, "https"));
  return origin;
}

MemoryRequest AdaptRequest(const HttpRequest& request, const Origin& origin) {
  MemoryRequest adapted;
  // The query goes in first, while Item can only find query values.
  AddFields(
      request.query, [&](std::string_view n) { return adapted.Item(n); },
      [&](std::string_view n, Value v) { adapted.SetQuery(n, std::move(v)); });
  AddFields(
      request.form, [&](std::string_view n) { return adapted.Form(n); },
      [&](std::string_view n, Value v) { adapted.SetForm(n, std::move(v)); });
  for (const auto& [name, value] : request.cookies) {
    adapted.SetCookie(name, Value(FromWire(value)));
  }
  for (const auto& [name, value] : request.headers) {
    if (!IsForwardedFor(name))
      adapted.SetServerVariable(HeaderVariable(name), Value(FromWire(value)));
  }
  if (!origin.forwarded_for.empty()) {
    adapted.SetServerVariable("HTTP_X_FORWARDED_FOR", Value(FromWire(origin.forwarded_for)));
  }
  adapted.SetServerVariable("REMOTE_ADDR", Value(origin.address));
  adapted.SetServerVariable("REQUEST_METHOD", Value(request.method));
  adapted.SetServerVariable("PATH_INFO", Value(FromWire(request.path)));
  return adapted;
}

}  // namespace ravochat::server
