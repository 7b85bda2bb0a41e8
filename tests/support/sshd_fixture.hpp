#pragma once
// OpenSSH's sshd on 127.0.0.1 for tests, with everything in a private temporary directory: its
// own configuration, host keys of every common type (made with ssh-keygen), a user key pair of
// each type listed in authorized_keys, and its log. It runs as the current user (public-key
// login only), gives login shells an empty home of their own, and is killed on destruction.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace ssh_test {

class SshdFixture {
 public:
  // Throws std::runtime_error when sshd cannot be started.
  SshdFixture();
  ~SshdFixture();
  SshdFixture(const SshdFixture&) = delete;
  SshdFixture& operator=(const SshdFixture&) = delete;

  std::uint16_t port() const { return port_; }
  const std::string& user() const { return user_; }
  const std::filesystem::path& dir() const { return dir_; }
  // Authorized private keys, unencrypted: "ed25519", "ecdsa" or "rsa".
  std::filesystem::path user_key(const std::string& type = "ed25519") const;
  // The server's public host key of that type (for ssh-keygen -lf and the like).
  std::filesystem::path host_public_key(const std::string& type) const;
  std::string log() const;
  // HOME of the sessions' shells (empty: no start-up files, no history of the real account).
  std::filesystem::path home() const;

 private:
  void start();
  void stop();
  void write_config() const;
  void wait_until_listening();

  std::filesystem::path dir_;
  std::string user_;
  std::uint16_t port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace ssh_test
