#include "rfb/transport.hpp"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rfb {

Error os_error(int errnum) {
  ErrorKind kind = ErrorKind::Other;
  if (errnum == ECONNREFUSED) kind = ErrorKind::ConnectionRefused;
  if (errnum == ETIMEDOUT) kind = ErrorKind::TimedOut;
  return Error{kind, std::strerror(errnum)};
}

namespace {

class SocketTransport final : public Transport {
 public:
  explicit SocketTransport(int fd) : fd_(fd) {}
  ~SocketTransport() override { close(); }

  Result<std::size_t> read_some(std::span<std::uint8_t> out) override {
    for (;;) {
      ssize_t n = ::recv(fd_, out.data(), out.size(), 0);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) return std::unexpected(os_error(errno));
    }
  }

  Result<std::size_t> write_some(std::span<const std::uint8_t> bytes) override {
    for (;;) {
      ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) return std::unexpected(os_error(errno));
    }
  }

  Result<bool> wait_readable(std::chrono::milliseconds timeout) override {
    pollfd p{fd_, POLLIN, 0};
    int n = ::poll(&p, 1, static_cast<int>(timeout.count()));
    if (n < 0) {
      if (errno == EINTR) return false;
      return std::unexpected(os_error(errno));
    }
    return n > 0;
  }

  void close() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// 0 on success, otherwise -1 with errno set. A connect interrupted by a signal keeps going in
// the kernel, so it is awaited rather than restarted.
int connect_fd(int fd, const addrinfo* a) {
  if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) return 0;
  if (errno != EINTR) return -1;
  pollfd p{fd, POLLOUT, 0};
  while (::poll(&p, 1, -1) < 0) {
    if (errno != EINTR) return -1;
  }
  int error = 0;
  socklen_t len = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0) return -1;
  errno = error;
  return error == 0 ? 0 : -1;
}

}  // namespace

std::unique_ptr<Transport> socket_transport(int fd) { return std::make_unique<SocketTransport>(fd); }

Result<std::unique_ptr<Transport>> connect_tcp(const std::string& host, std::uint16_t port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  std::string service = std::to_string(port);
  int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
  if (rc != 0) {
    if (rc == EAI_SYSTEM) return std::unexpected(os_error(errno));
    return fail(ErrorKind::Other, ::gai_strerror(rc));
  }
  Error last{ErrorKind::InvalidInput, "could not resolve to any addresses"};
  for (addrinfo* a = list; a; a = a->ai_next) {
    int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      last = os_error(errno);
      continue;
    }
    if (connect_fd(fd, a) == 0) {
      ::freeaddrinfo(list);
      int one = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);  // best effort
      return socket_transport(fd);
    }
    last = os_error(errno);
    ::close(fd);
  }
  ::freeaddrinfo(list);
  return std::unexpected(last);
}

}  // namespace rfb
