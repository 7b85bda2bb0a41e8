#include "support/vnc_xvnc_fixture.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

namespace rfb::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::optional<std::uint16_t> free_loopback_port() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0;
  ::close(fd);
  if (!ok) return std::nullopt;
  return ntohs(addr.sin_port);
}

bool display_free(int n) {
  return !fs::exists("/tmp/.X11-unix/X" + std::to_string(n)) &&
         !fs::exists("/tmp/.X" + std::to_string(n) + "-lock");
}

bool port_accepts(std::uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(port);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

std::expected<void, std::string> write_password_file(const fs::path& path,
                                                     const std::string& password) {
  std::string command = "vncpasswd -f > '" + path.string() + "'";
  FILE* pipe = ::popen(command.c_str(), "w");
  if (!pipe) return std::unexpected("cannot run vncpasswd");
  std::fputs((password + "\n").c_str(), pipe);
  if (::pclose(pipe) != 0 || fs::file_size(path) == 0) {
    return std::unexpected("vncpasswd failed");
  }
  return {};
}

pid_t spawn(const std::vector<std::string>& args, const fs::path& log) {
  pid_t pid = ::fork();
  if (pid != 0) return pid;
  // A test process killed outright (a runner's timeout) must not leave its server running.
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd >= 0) {
    ::dup2(fd, 1);
    ::dup2(fd, 2);
  }
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execvp(argv[0], argv.data());
  ::_exit(127);
}

std::string read_log_tail(const fs::path& path) {
  FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return "no log";
  std::string text;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, f)) text.append(buffer, n);
  std::fclose(f);
  return text.size() > 800 ? text.substr(text.size() - 800) : text;
}

}  // namespace

std::expected<std::unique_ptr<XvncServer>, std::string> XvncServer::start(const Options& o) {
  std::unique_ptr<XvncServer> server(new XvncServer());
  char dir_template[] = "/tmp/vnc-fixture-XXXXXX";
  if (!::mkdtemp(dir_template)) return std::unexpected("cannot create a temporary folder");
  server->dir_ = dir_template;
  std::vector<std::string> security = {"-SecurityTypes", "None"};
  if (o.password) {
    fs::path file = server->dir_ / "passwd";
    if (auto r = write_password_file(file, *o.password); !r) return std::unexpected(r.error());
    security = {"-SecurityTypes", "VncAuth", "-PasswordFile", file.string()};
  }
  std::mt19937 random(std::random_device{}());
  for (int attempt = 0; attempt < 8; ++attempt) {
    int display = 40 + static_cast<int>(random() % 400);
    auto port = free_loopback_port();
    if (!display_free(display) || !port) continue;
    std::vector<std::string> args = {"Xvnc", ":" + std::to_string(display),
                                     "-geometry", std::to_string(o.width) + "x" + std::to_string(o.height),
                                     "-depth", "24", "-rfbport", std::to_string(*port),
                                     "-interface", "127.0.0.1", "-nolisten", "tcp",
                                     "-desktop", "fixture"};
    args.insert(args.end(), security.begin(), security.end());
    server->pid_ = spawn(args, server->dir_ / "xvnc.log");
    server->display_ = display;
    server->port_ = *port;
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
      int status;
      if (::waitpid(server->pid_, &status, WNOHANG) == server->pid_) {
        server->pid_ = -1;  // display or port taken meanwhile: try another
        break;
      }
      if (port_accepts(*port) && server->run("xdpyinfo >/dev/null 2>&1") == 0) return server;
      std::this_thread::sleep_for(50ms);
    }
    server->stop();
  }
  auto log = read_log_tail(server->dir_ / "xvnc.log");
  return std::unexpected("Xvnc did not start: " + log);
}

int XvncServer::run(const std::string& command) const {
  std::string line = "DISPLAY=" + display() + " " + command;
  int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void XvncServer::stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(50ms);
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

XvncServer::~XvncServer() {
  stop();
  std::error_code ignored;
  if (!dir_.empty()) fs::remove_all(dir_, ignored);
}

}  // namespace rfb::test
