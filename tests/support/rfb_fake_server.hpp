#pragma once
// A scripted RFB server for tests: listens on 127.0.0.1, accepts one client and runs a script
// on its own thread. Scripts send exact bytes (optionally one byte per write) and read what the
// client sent, so every handshake variant, limit and message can be played.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace rfb::test {

// Big-endian message building.
class Bytes {
 public:
  Bytes& u8(std::uint32_t v);
  Bytes& u16(std::uint32_t v);
  Bytes& u32(std::uint32_t v);
  Bytes& i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
  Bytes& text(std::string_view s);
  Bytes& raw(const std::vector<std::uint8_t>& b);
  Bytes& fill(std::size_t n, std::uint8_t v);
  // A rectangle header.
  Bytes& rect(std::uint16_t x, std::uint16_t y, std::uint16_t w, std::uint16_t h, std::int32_t enc);
  // A pixel in the client format (wire bytes blue, green, red, 0).
  Bytes& pixel(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  const std::vector<std::uint8_t>& bytes() const { return data_; }
  operator const std::vector<std::uint8_t>&() const { return data_; }

 private:
  std::vector<std::uint8_t> data_;
};

class FakeConn {
 public:
  explicit FakeConn(int fd) : fd_(fd) {}
  ~FakeConn();

  bool byte_by_byte = false;
  void send(const std::vector<std::uint8_t>& bytes);
  void send(std::string_view text);
  // Exactly `n` bytes; fewer when the client closed or `timeout` passed.
  std::vector<std::uint8_t> recv(std::size_t n,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Waits for the client to close its end; false on timeout.
  bool wait_closed(std::chrono::milliseconds timeout);
  void close();

 private:
  int fd_;
};

struct HandshakeOptions {
  std::string version = "RFB 003.008\n";
  std::uint16_t width = 64;
  std::uint16_t height = 48;
};

// Version 3.8 (or as given), security None, ServerInit; reads every client message up to and
// including the first update request and checks them.
void serve_handshake(FakeConn& conn, const HandshakeOptions& options = {});

class FakeServer {
 public:
  explicit FakeServer(std::function<void(FakeConn&)> script);
  ~FakeServer();
  FakeServer(const FakeServer&) = delete;
  FakeServer& operator=(const FakeServer&) = delete;

  std::uint16_t port() const { return port_; }
  void join();

 private:
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
};

}  // namespace rfb::test
