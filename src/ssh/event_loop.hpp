#pragma once
// The worker's single-threaded runtime: one epoll set over the SSH socket and the input
// queue's wake-up descriptor; timers are the wait's timeout.
#include <expected>
#include <string>

namespace ssh {

class EventLoop {
 public:
  static std::expected<EventLoop, std::string> create();
  EventLoop(EventLoop&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  EventLoop& operator=(EventLoop&&) = delete;
  ~EventLoop();

  std::expected<void, std::string> watch(int fd);
  // Waits until a watched descriptor is readable or the timeout passes (-1: no timeout).
  std::expected<void, std::string> wait(int timeout_ms);

 private:
  explicit EventLoop(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace ssh
