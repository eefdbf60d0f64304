// The administration page that backs up the live database into the "backups" folder
// beside it, one file per backup named by the moment it was taken. A script takes backups:
// the page opens to the configured token, from loopback, and to nothing else.
#include <ctime>
#include <filesystem>

#include "pages.h"
#include "ravochat/database.h"
#include "ravochat/random_token.h"
#include "transport/markup.h"
#include "transport/trusted_proxy.h"

namespace ravochat::server::pages {
namespace {

// Days from 1899-12-30, where Date counts from, to 1970-01-01.
constexpr std::int64_t kDaysBeforeUnixEpoch = 25569;

// "chat-20261206-194200.db" for 2026-12-06 19:42:00.
std::string BackupName(Date when) {
  const std::time_t civil = static_cast<std::time_t>(when.seconds - kDaysBeforeUnixEpoch * 86400);
  std::tm fields{};
  gmtime_r(&civil, &fields);
  char name[40];
  std::strftime(name, sizeof name, "chat-%Y%m%d-%H%M%S.db", &fields);
  return name;
}

// True for a loopback request carrying the configured token; never without one.
bool TokenAllowed(Page& page) {
  const std::string& token = page.services().admin_token;
  return !token.empty() && IsLoopback(page.origin().address) &&
         SameSecret(page.Item("token"), token);
}

}  // namespace

HttpResponse AdminBackup(Page& page) {
  if (!TokenAllowed(page)) return NotFound();
  namespace fs = std::filesystem;
  std::string_view db = page.services().db;
  if (db.starts_with("sqlite:")) db.remove_prefix(7);
  const fs::path folder = fs::path(db).parent_path() / "backups";
  fs::create_directories(folder);
  const std::string file = (folder / BackupName(page.services().clock.Now())).string();
  db::BackupDatabase(page.services().db, file);
  return AdminReport(page, "数据库备份", "<p id=backup>" + HtmlEscape(file) + "</p>");
}

}  // namespace ravochat::server::pages
