#pragma once
// A real TigerVNC Xvnc for tests, on loopback only: picks a free display number and RFB port,
// waits until both the X display and the RFB port accept connections, and kills the server on
// destruction. With a password, the server demands VNC Authentication through a password file.
#include <sys/types.h>

#include <cstdint>
#include <expected>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace rfb::test {

class XvncServer {
 public:
  struct Options {
    std::uint16_t width = 320;
    std::uint16_t height = 240;
    std::optional<std::string> password;  // none: security type None
  };

  static std::expected<std::unique_ptr<XvncServer>, std::string> start(const Options& options);
  ~XvncServer();
  XvncServer(const XvncServer&) = delete;
  XvncServer& operator=(const XvncServer&) = delete;

  int display_number() const { return display_; }
  std::string display() const { return ":" + std::to_string(display_); }
  std::uint16_t port() const { return port_; }
  // Runs a shell command with DISPLAY set to this server; returns its exit status.
  int run(const std::string& command) const;
  // Stops the server now (SIGTERM, then SIGKILL after 5 s) and waits for it.
  void stop();

 private:
  XvncServer() = default;

  pid_t pid_ = -1;
  int display_ = -1;
  std::uint16_t port_ = 0;
  std::filesystem::path dir_;
};

}  // namespace rfb::test
