#include "support/rfb_fake_server.hpp"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rfb::test {

Bytes& Bytes::u8(std::uint32_t v) {
  data_.push_back(static_cast<std::uint8_t>(v));
  return *this;
}
Bytes& Bytes::u16(std::uint32_t v) { return u8(v >> 8).u8(v); }
Bytes& Bytes::u32(std::uint32_t v) { return u16(v >> 16).u16(v); }
Bytes& Bytes::text(std::string_view s) {
  data_.insert(data_.end(), s.begin(), s.end());
  return *this;
}
Bytes& Bytes::raw(const std::vector<std::uint8_t>& b) {
  data_.insert(data_.end(), b.begin(), b.end());
  return *this;
}
Bytes& Bytes::fill(std::size_t n, std::uint8_t v) {
  data_.insert(data_.end(), n, v);
  return *this;
}
Bytes& Bytes::rect(std::uint16_t x, std::uint16_t y, std::uint16_t w, std::uint16_t h,
                   std::int32_t enc) {
  return u16(x).u16(y).u16(w).u16(h).i32(enc);
}
Bytes& Bytes::pixel(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return u8(b).u8(g).u8(r).u8(0);
}

FakeConn::~FakeConn() { close(); }

void FakeConn::send(const std::vector<std::uint8_t>& bytes) {
  std::size_t step = byte_by_byte ? 1 : bytes.size();
  for (std::size_t at = 0; at < bytes.size();) {
    ssize_t n = ::send(fd_, bytes.data() + at, std::min(step, bytes.size() - at), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the client went away; the test checks what it saw
    at += static_cast<std::size_t>(n);
  }
}

void FakeConn::send(std::string_view text) {
  send(std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> FakeConn::recv(std::size_t n, std::chrono::milliseconds timeout) {
  std::vector<std::uint8_t> out(n);
  std::size_t have = 0;
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (have < n) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{fd_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    ssize_t got = ::recv(fd_, out.data() + have, n - have, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    have += static_cast<std::size_t>(got);
  }
  out.resize(have);
  return out;
}

bool FakeConn::wait_closed(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  std::uint8_t sink[4096];
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{fd_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    ssize_t got = ::recv(fd_, sink, sizeof sink, 0);
    if (got == 0 || (got < 0 && errno != EINTR)) return true;
  }
}

void FakeConn::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void serve_handshake(FakeConn& conn, const HandshakeOptions& o) {
  conn.send(o.version);
  auto reply = conn.recv(12);
  EXPECT_EQ(std::string(reply.begin(), reply.end()), "RFB 003.008\n");
  conn.send(Bytes().u8(1).u8(1));
  EXPECT_EQ(conn.recv(1), std::vector<std::uint8_t>{1});
  conn.send(Bytes().u32(0));
  EXPECT_EQ(conn.recv(1), std::vector<std::uint8_t>{1});  // shared
  conn.send(Bytes().u16(o.width).u16(o.height).fill(16, 0).u32(4).text("fake"));
  EXPECT_EQ(conn.recv(20).size(), 20u);
  EXPECT_EQ(conn.recv(16).size(), 16u);
  std::vector<std::uint8_t> request = Bytes().u8(3).u8(0).u16(0).u16(0).u16(o.width).u16(o.height);
  EXPECT_EQ(conn.recv(10), request);
}

FakeServer::FakeServer(std::function<void(FakeConn&)> script) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listener_, 1) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ADD_FAILURE() << "fake server cannot listen: " << std::strerror(errno);
    return;
  }
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this, script = std::move(script)] {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 10000) <= 0) return;  // the client never came; the test says why
    int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    FakeConn conn(fd);
    script(conn);
  });
}

void FakeServer::join() {
  if (thread_.joinable()) thread_.join();
}

FakeServer::~FakeServer() {
  join();
  if (listener_ >= 0) ::close(listener_);
}

}  // namespace rfb::test
