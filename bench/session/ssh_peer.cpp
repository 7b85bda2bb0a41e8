// The SSH peer: the in-process test server, run in a child process so that the benchmark's
// process CPU is the application's alone. The child trusts its host key in a private store
// for the app, reports its port, and lives until the parent goes away.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "bench/session/ssh_peer.hpp"
#include "ssh/host_key.hpp"
#include "support/ssh_server_fixture.hpp"

namespace session_bench {

namespace {

[[noreturn]] void serve(int report_fd, int alive_fd, const std::filesystem::path& store) {
  ssh_test::ServerOptions options;
  options.echo = false;
  ssh_test::SshServerFixture server(options);
  const auto identity = ssh::host_key_identity(server.host_key()->key());
  std::uint16_t port = 0;
  if (ssh::trust_host_key(store, "127.0.0.1", server.port(), identity)) port = server.port();
  if (::write(report_fd, &port, sizeof port) != sizeof port) std::_Exit(1);
  char byte;
  while (::read(alive_fd, &byte, 1) > 0) {
  }
  std::_Exit(0);  // the parent is gone; the server's threads die with the process
}

}  // namespace

std::optional<SshPeer> SshPeer::start() {
  auto dir = std::filesystem::temp_directory_path() / ("session-frames-ssh-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  ::chmod(dir.c_str(), 0700);
  int report[2], alive[2];
  if (::pipe(report) != 0 || ::pipe(alive) != 0) return std::nullopt;
  pid_t child = ::fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    ::close(report[0]);
    ::close(alive[1]);
    serve(report[1], alive[0], dir / "known-hosts.json");
  }
  ::close(report[1]);
  ::close(alive[0]);
  std::uint16_t port = 0;
  bool ok = ::read(report[0], &port, sizeof port) == sizeof port && port != 0;
  ::close(report[0]);
  SshPeer peer{child, alive[1], port, dir};
  if (!ok) return std::nullopt;  // the destructor ends the child
  return peer;
}

SshPeer::SshPeer(int pid, int alive_fd, std::uint16_t port, std::filesystem::path dir)
    : pid_(pid), alive_fd_(alive_fd), port_(port), dir_(std::move(dir)) {}

SshPeer::SshPeer(SshPeer&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), alive_fd_(std::exchange(other.alive_fd_, -1)), port_(other.port_),
      dir_(std::move(other.dir_)) {}

SshPeer::~SshPeer() {
  if (alive_fd_ >= 0) ::close(alive_fd_);
  if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

}  // namespace session_bench
