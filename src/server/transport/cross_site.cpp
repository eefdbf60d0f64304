// Cross-site detection from the fetch metadata the browser sends, else from Origin.
#include "transport/cross_site.h"

#include <array>
#include <string>

#include "ravochat/host.h"

namespace ravochat::server {
namespace {

// "https://chat.example:8443/x" -> "chat.example:8443".
std::string_view HostOfOrigin(std::string_view origin) {
  const std::size_t scheme_end = origin.find("://");
  if (scheme_end == std::string_view::npos) return "";
  origin.remove_prefix(scheme_end + 3);
  return origin.substr(0, origin.find('/'));
}

}  // namespace

bool ChangesState(const HttpRequest& request, std::string_view page) {
  static constexpr std::array<std::string_view, 7> kActingPages = {
      "login.asp",     "say.asp",         "changeroom.asp", "close.asp",
      "usercheck.asp", "admin/rooms.asp", "admin/users.asp"};
  if (request.method == "POST") return true;
  for (std::string_view acting : kActingPages) {
    if (strings::EqualsIgnoreCase(acting, page)) return true;
  }
  return false;
}

bool IsCrossSite(const HttpRequest& request) {
  if (const std::string* site = request.Header("Sec-Fetch-Site")) {
    return !strings::EqualsIgnoreCase(*site, "same-origin") &&
           !strings::EqualsIgnoreCase(*site, "none");
  }
  const std::string* origin = request.Header("Origin");
  if (origin == nullptr) return false;
  const std::string* host = request.Header("Host");
  return host == nullptr || !strings::EqualsIgnoreCase(HostOfOrigin(*origin), *host);
}

}  // namespace ravochat::server
