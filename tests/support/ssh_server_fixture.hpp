#pragma once
// An SSH server inside the test process, on 127.0.0.1 and a free port, built on libssh's server
// API. It accepts password and public-key logins, grants a pseudo-terminal and runs a scripted
// shell. Input lines (ended by CR or LF) are commands:
//   "err TEXT"   TEXT (plus CR LF) on standard error
//   "flood N"    N bytes of `flood_byte(i)` on standard output
//   "exit"       exit status 0, end of file, channel close
//   "close"      channel close without end of file
// Anything else is only recorded (and echoed when echo is on). Each connection gets a thread;
// the destructor cuts every connection and joins them.
// RSA works as a host key, but not as a client key: libssh's server announces no rsa-sha2
// signature algorithms, and a libssh client then refuses to sign with SHA-1. The OpenSSH
// fixture (sshd_fixture.hpp) covers RSA client keys.
#include <libssh/server.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/ssh_test_keys.hpp"

namespace ssh_test {

// The byte at offset i of a "flood": lines of 62 letters ended by CR LF, as a pty shows them.
// It repeats every 64 * 26 bytes.
inline std::uint8_t flood_byte(std::uint64_t i) {
  if (i % 64 == 62) return '\r';
  if (i % 64 == 63) return '\n';
  return static_cast<std::uint8_t>('a' + (i / 64 + i) % 26);
}

struct ServerOptions {
  KeyKind host_key = KeyKind::Ed25519;
  std::string user = "tester";
  std::string password = "correct horse";
  std::shared_ptr<KeyPair> authorized_key;  // public-key logins accepted for this key only
  std::string greeting;                     // written on standard output when the shell starts
  bool echo = true;                         // echo input bytes like a terminal would
};

// The name of every connection thread (for per-thread CPU figures in benchmarks).
inline constexpr const char* kServeThreadName = "ssh-test-serve";

struct PtyRequest {
  std::string term;
  int columns = 0;
  int rows = 0;
};

class SshServerFixture {
 public:
  explicit SshServerFixture(ServerOptions options = {});
  ~SshServerFixture();
  SshServerFixture(const SshServerFixture&) = delete;
  SshServerFixture& operator=(const SshServerFixture&) = delete;

  std::uint16_t port() const { return port_; }
  // The public half of the key connections made from now on are shown.
  std::shared_ptr<KeyPair> host_key() const;
  // Later connections see a new key of the same kind.
  void replace_host_key();

  int connections() const { return connections_; }
  int auth_attempts() const { return auth_attempts_; }  // every userauth request, "none" too
  int shells() const { return shells_; }
  PtyRequest last_pty() const;
  // The cipher the last logged-in connection encrypts its output with ("" when none).
  std::string last_cipher() const;
  std::string received() const;  // every byte the shells were sent, in order
  // Polls until `done` holds or the timeout passes; returns `done()`.
  static bool wait_until(const std::function<bool()>& done,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10));

 private:
  void accept_loop();
  void serve(ssh_session session);
  bool authenticate_and_open(ssh_session session, ssh_channel* channel);
  void run_shell(ssh_session session, ssh_channel channel);
  void run_command(ssh_channel channel, const std::string& line, bool* done);

  ServerOptions options_;
  ssh_bind bind_ = nullptr;
  std::uint16_t port_ = 0;
  mutable std::mutex mutex_;  // guards the fields below and the bind's key
  std::shared_ptr<KeyPair> host_key_;
  PtyRequest last_pty_;
  std::string last_cipher_;
  std::string received_;
  std::vector<int> live_fds_;
  std::vector<std::thread> threads_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::atomic<int> auth_attempts_{0};
  std::atomic<int> shells_{0};
  std::thread acceptor_;
};

}  // namespace ssh_test
