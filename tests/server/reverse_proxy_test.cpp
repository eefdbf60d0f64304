// ravochat-server behind a real nginx on loopback that forwards X-Forwarded-For and adds
// a Via header: visitors are told apart by their forwarded addresses, address locks match
// them, and the proxy check refuses only proxies beyond our own.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "server/child_process.h"
#include "server/server_fixture.h"

namespace ravochat::testing {
namespace {

// nginx in one process in a temporary folder, passing every request to `upstream`.
class Nginx {
 public:
  explicit Nginx(std::uint16_t upstream) : folder_(MakeTempFolder()), port_(FreePort()) {
    const std::string f = folder_.string();
    std::ofstream(folder_ / "nginx.conf")
        << (::geteuid() == 0 ? "user root;\n" : "") << "daemon off; master_process off;\n"
        << "pid " << f << "/nginx.pid; error_log " << f << "/error.log;\n"
        << "events { worker_connections 64; }\n"
        << "http { access_log off; client_body_temp_path " << f << "/body; proxy_temp_path " << f
        << "/proxy; fastcgi_temp_path " << f << "/fcgi; uwsgi_temp_path " << f
        << "/uwsgi; scgi_temp_path " << f << "/scgi;\n"
        << "  server { listen 127.0.0.1:" << port_ << "; location / {\n"
        << "    proxy_pass http://127.0.0.1:" << upstream << "; proxy_http_version 1.1;\n"
        << "    proxy_set_header X-Forwarded-For $proxy_add_x_forwarded_for;\n"
        << "    proxy_set_header Via \"1.1 front\"; } } }\n";
    process_.emplace(std::vector<std::string>{"/usr/sbin/nginx", "-p", f, "-e", f + "/error.log",
                                              "-c", f + "/nginx.conf"},
                     port_, f + "/error.log");
  }
  ~Nginx() {
    process_.reset();
    std::filesystem::remove_all(folder_);
  }
  std::uint16_t port() const { return port_; }

 private:
  std::filesystem::path folder_;
  std::uint16_t port_;
  std::optional<ChildProcess> process_;
};

TEST_P(ServerTest, BehindATrustedNginxVisitorsAreKnownByTheirForwardedAddresses) {
  Start({"--trust-proxy", "127.0.0.1", "--set", "disableproxy=1", "--set", "newusernum=1"});
  db_->Exec("INSERT INTO ip_lock (ip,end_time,act_level) VALUES ('203.0.113.66','2099-01-01',0)");
  Nginx nginx(server_->port());
  auto log_in = [&](const std::string& name, const std::string& forwarded_for) {
    return HttpClient(nginx.port())
        .Post("/login.asp", GbkForm({{"sUserName", name}, {"sPass", "secret1"}, {"room_id", "1"}}),
              {"X-Forwarded-For: " + forwarded_for, "Via: 1.1 theirs"});
  };
  // Our own proxy's Via and forwarded hop do not make a visitor a proxy's.
  EXPECT_NE(log_in("amy", "203.0.113.5").Header("Set-Cookie"), "");
  EXPECT_EQ(db_->Scalar("SELECT first_ip FROM user WHERE username='amy'"), "203.0.113.5");
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"203.0.113.5", "对不起：您暂时不能注册新用户，请等几分钟再试！"},
      {"203.0.113.66", "对不起：您的IP被封锁了！"},
      {"198.51.100.7, 203.0.113.7", "管理员禁止通过代理登录！"},
  };
  for (const auto& [forwarded_for, refusal] : refused) {
    const HttpReply reply = log_in("bob", forwarded_for);
    EXPECT_EQ(reply.Header("Set-Cookie"), "") << forwarded_for;
    EXPECT_TRUE(Has(reply.body, Gbk(refusal))) << forwarded_for;
  }
  EXPECT_NE(log_in("bob", "203.0.113.6").Header("Set-Cookie"), "");
  // The metrics are the operator's: not for visitors who come through the proxy.
  EXPECT_EQ(HttpClient(nginx.port()).Get("/metrics", {"X-Forwarded-For: 203.0.113.5"}).status, 404);
  EXPECT_EQ(Client()->Get("/metrics").status, 200);
}

}  // namespace
}  // namespace ravochat::testing
