// The component's frame: construction with its clock and random generator, the keys of
// its chat, its lazily opened database connection and its version.
#include "ravochat/lumochat.h"

#include "core/app_keys.h"
#include "core/classic_random.h"
#include "core/convert.h"

namespace ravochat {

lumochat::lumochat(const Clock& clock) : clock_(clock), rng_(std::make_unique<ClassicRandom>()) {}

lumochat::~lumochat() = default;

std::string lumochat::Key(std::string_view name) const { return app_key::AppKey(ConstStr, name); }

db::Connection& lumochat::OpenConn(Application& TheApplication) {
  if (!Conn) {
    Conn = db::Connection::Open(app_key::SettingText(TheApplication, ConstStr, app_key::kConnStr),
                                clock_);
  }
  return *Conn;
}

std::string lumochat::GetVer() const {
  return convert::ToText(RAVOCHAT_VERSION_MAJOR) + "." + convert::ToText(RAVOCHAT_VERSION_MINOR) +
         "." + convert::ToText(RAVOCHAT_VERSION_PATCH);
}

}  // namespace ravochat
