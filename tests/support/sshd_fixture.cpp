#include "support/sshd_fixture.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace ssh_test {

namespace fs = std::filesystem;

namespace {

const char* const kKeyTypes[] = {"ed25519", "ecdsa", "rsa"};

void run_or_throw(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::uint16_t free_port() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    throw std::runtime_error("no free loopback port");
  }
  ::close(fd);
  return ntohs(address.sin_port);
}

bool accepts_connections(std::uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

std::string current_user() {
  const passwd* entry = ::getpwuid(::geteuid());
  return entry ? entry->pw_name : "root";
}

}  // namespace

SshdFixture::SshdFixture() : user_(current_user()) {
  try {
    start();
  } catch (...) {
    stop();
    throw;
  }
}

void SshdFixture::start() {
  std::string pattern = (fs::temp_directory_path() / "sshd-fixture-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary directory");
  dir_ = pattern;
  ::mkdir("/run/sshd", 0755);  // sshd's privilege-separation directory must exist
  std::ofstream authorized(dir_ / "authorized_keys");
  for (const char* type : kKeyTypes) {
    run_or_throw("ssh-keygen -q -N '' -t " + std::string(type) + " -f " +
                 host_public_key(type).replace_extension().string());
    run_or_throw("ssh-keygen -q -N '' -t " + std::string(type) + " -f " + user_key(type).string());
    std::ifstream pub(user_key(type).string() + ".pub");
    authorized << pub.rdbuf();
  }
  authorized.close();
  port_ = free_port();
  fs::create_directories(home());
  write_config();

  const std::string config = (dir_ / "sshd_config").string();
  const std::string log_file = (dir_ / "sshd.log").string();
  std::vector<std::string> args = {"/usr/sbin/sshd", "-D", "-f", config, "-E", log_file};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("cannot start /usr/sbin/sshd");
  if (pid_ == 0) {
    // A test process killed outright (a runner's timeout) must not leave sshd listening.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  wait_until_listening();
}

SshdFixture::~SshdFixture() {
  stop();
}

void SshdFixture::stop() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  std::error_code ignored;
  if (!dir_.empty()) fs::remove_all(dir_, ignored);
}

fs::path SshdFixture::user_key(const std::string& type) const {
  return dir_ / ("id_" + type);
}

fs::path SshdFixture::host_public_key(const std::string& type) const {
  return dir_ / ("ssh_host_" + type + "_key.pub");
}

fs::path SshdFixture::home() const { return dir_ / "home"; }

std::string SshdFixture::log() const {
  std::ifstream in(dir_ / "sshd.log");
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void SshdFixture::write_config() const {
  std::ofstream config(dir_ / "sshd_config");
  config << "Port " << port_ << "\n"
         << "ListenAddress 127.0.0.1\n";
  for (const char* type : kKeyTypes) {
    config << "HostKey " << host_public_key(type).replace_extension().string() << "\n";
  }
  config << "PidFile " << (dir_ / "sshd.pid").string() << "\n"
         << "AuthorizedKeysFile " << (dir_ / "authorized_keys").string() << "\n"
         << "StrictModes no\n"
         << "PermitRootLogin yes\n"
         << "PubkeyAuthentication yes\n"
         << "PasswordAuthentication no\n"
         << "KbdInteractiveAuthentication no\n"
         << "UsePAM no\n"
         << "PrintMotd no\n"
         << "PrintLastLog no\n"
         << "LogLevel VERBOSE\n"
         // The user's shell starts in a home of its own: the account's real start-up files
         // (slow, or waiting on locks of tools they load) and its history stay out of the tests.
         << "SetEnv HOME=" << home().string() << "\n";
}

void SshdFixture::wait_until_listening() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!accepts_connections(port_)) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("sshd exited: " + log());
    }
    if (std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error("sshd does not listen: " + log());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace ssh_test
