#include "ssh/event_loop.hpp"

#include <sys/epoll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ssh {

std::expected<EventLoop, std::string> EventLoop::create() {
  int fd = ::epoll_create1(EPOLL_CLOEXEC);
  if (fd < 0) return std::unexpected(std::string(std::strerror(errno)));
  return EventLoop(fd);
}

EventLoop::~EventLoop() {
  if (fd_ >= 0) ::close(fd_);
}

std::expected<void, std::string> EventLoop::watch(int fd) {
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.fd = fd;
  if (::epoll_ctl(fd_, EPOLL_CTL_ADD, fd, &event) != 0) {
    return std::unexpected(std::string(std::strerror(errno)));
  }
  return {};
}

std::expected<void, std::string> EventLoop::wait(int timeout_ms) {
  epoll_event events[4];
  if (::epoll_wait(fd_, events, 4, timeout_ms) < 0 && errno != EINTR) {
    return std::unexpected(std::string(std::strerror(errno)));
  }
  return {};
}

}  // namespace ssh
