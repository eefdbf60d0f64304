// ravochat-server behind a real nginx on loopback that forwards X-Forwarded-For and adds
// a Via header: visitors are told apart by their forwarded addresses, address locks match
// them, and the proxy check refuses only proxies beyond our own.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "server/server_fixture.h"

namespace ravochat::testing {
namespace {

// A free loopback port, as the kernel picks one.
std::uint16_t FreePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ::bind(s, reinterpret_cast<sockaddr*>(&address), size);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(s);
  return ntohs(address.sin_port);
}

// nginx in one process in a temporary folder, passing every request to `upstream`;
// stopped with the object, or with the test process if it dies.
class Nginx {
 public:
  explicit Nginx(std::uint16_t upstream) : port_(FreePort()) {
    char pattern[] = "/tmp/ravochat-nginx-XXXXXX";
    folder_ = ::mkdtemp(pattern);
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
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      ::execl("/usr/sbin/nginx", "nginx", "-p", f.c_str(), "-e", (f + "/error.log").c_str(), "-c",
              (f + "/nginx.conf").c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    WaitUntilListening();
  }
  ~Nginx() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    std::filesystem::remove_all(folder_);
  }
  std::uint16_t port() const { return port_; }

 private:
  // nginx starts in a few milliseconds; give up after five seconds.
  void WaitUntilListening() {
    for (int tries = 0; tries < 250; ++tries) {
      try {
        HttpClient probe(port_);
        return;
      } catch (const std::runtime_error&) {
        ::usleep(20000);
      }
    }
    throw std::runtime_error("nginx did not start; see " + (folder_ / "error.log").string());
  }

  std::filesystem::path folder_;
  std::uint16_t port_;
  pid_t pid_ = -1;
};

bool Has(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

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
