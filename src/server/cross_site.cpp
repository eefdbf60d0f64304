// Cross-site detection from the fetch metadata the browser sends, else from Origin.
#include "cross_site.h"

#include <array>
#include <string>

namespace ravochat::server {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

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
    if (SameText(acting, page)) return true;
  }
  return false;
}

bool IsCrossSite(const HttpRequest& request) {
  if (const std::string* site = request.Header("Sec-Fetch-Site")) {
    return !SameText(*site, "same-origin") && !SameText(*site, "none");
  }
  const std::string* origin = request.Header("Origin");
  if (origin == nullptr) return false;
  const std::string* host = request.Header("Host");
  return host == nullptr || !SameText(HostOfOrigin(*origin), *host);
}

}  // namespace ravochat::server
