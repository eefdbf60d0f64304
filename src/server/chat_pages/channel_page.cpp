// The push channel's page: opens a channel for the visitor of the chat's cookie, starting
// after the message number the browser names (Last-Event-ID on a reconnect, else the item
// "sayid"; neither: after the last one his record holds).
#include <charconv>
#include <cstdint>
#include <optional>

#include "pages.h"

namespace ravochat::server::pages {
namespace {

// The number the channel starts after: empty when none is named, nothing when the one named
// is no whole number.
std::optional<Value> StartAfter(Page& page) {
  const std::string* last_event = page.http().Header("Last-Event-ID");
  const std::string named =
      last_event != nullptr && !last_event->empty() ? *last_event : page.Item("sayid");
  if (named.empty()) return Value();
  std::int32_t number = 0;
  const auto [end, error] = std::from_chars(named.data(), named.data() + named.size(), number);
  if (error != std::errc() || end != named.data() + named.size()) return std::nullopt;
  return Value(number);
}

}  // namespace

HttpResponse Channel(Page& page) {
  std::optional<Value> after = StartAfter(page);
  if (!after) return BadRequest("sayid");
  HttpResponse response;
  response.stream = page.services().channels.Open(
      page.chat(), page.http().Cookie(page.chat().cookie_name), std::move(*after));
  if (!response.stream) {
    // No error: the window polls instead, and an event stream told 204 tries no more.
    response.status = 204;
    response.content_type = "text/plain";
    return response;
  }
  response.content_type = "text/event-stream; charset=utf-8";
  response.headers.emplace_back("Cache-Control", "no-store");
  // nginx passes the events on as they come rather than gathering them.
  response.headers.emplace_back("X-Accel-Buffering", "no");
  return response;
}

}  // namespace ravochat::server::pages
