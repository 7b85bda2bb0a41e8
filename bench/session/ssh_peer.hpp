#pragma once
// The in-process SSH test server in a child process of its own, with its host key trusted in
// a private store. Ended (and its store removed) on destruction.
#include <cstdint>
#include <filesystem>
#include <optional>

namespace session_bench {

class SshPeer {
 public:
  // Forks: call before this process has any other thread.
  static std::optional<SshPeer> start();
  SshPeer(SshPeer&& other) noexcept;
  SshPeer& operator=(SshPeer&&) = delete;
  ~SshPeer();

  std::uint16_t port() const { return port_; }
  std::filesystem::path store() const { return dir_ / "known-hosts.json"; }

 private:
  SshPeer(int pid, int alive_fd, std::uint16_t port, std::filesystem::path dir);

  int pid_;
  int alive_fd_;  // the child lives until this closes
  std::uint16_t port_;
  std::filesystem::path dir_;
};

}  // namespace session_bench
