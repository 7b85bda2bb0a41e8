#include "ssh/event_loop.hpp"

#include <poll.h>

#include <cerrno>
#include <cstring>

#include "ssh/wakeup.hpp"

namespace ssh {

namespace {

// The wake-up only ends the wait (the loop then looks at the input queue itself), so it is
// consumed here, when it rang, rather than by a read on every turn of the loop.
int on_wake(socket_t, int, void* wake) {
  static_cast<Wakeup*>(wake)->clear();
  return 0;
}

}  // namespace

std::expected<EventLoop, std::string> EventLoop::create(Wakeup& wake) {
  const int wake_fd = wake.fd();
  errno = 0;
  ssh_event event = ssh_event_new();
  if (!event) {
    return std::unexpected(std::string(errno ? std::strerror(errno) : "cannot create event loop"));
  }
  if (ssh_event_add_fd(event, wake_fd, POLLIN, on_wake, &wake) != SSH_OK) {
    ssh_event_free(event);
    return std::unexpected(std::string("cannot watch the input queue"));
  }
  return EventLoop(event, wake_fd);
}

EventLoop::~EventLoop() {
  if (!event_) return;
  ssh_event_remove_fd(event_, wake_fd_);
  ssh_event_free(event_);
}

std::expected<void, std::string> EventLoop::add(ssh_session session) {
  if (ssh_event_add_session(event_, session) != SSH_OK) {
    return std::unexpected(std::string("cannot watch the SSH connection"));
  }
  return {};
}

void EventLoop::remove(ssh_session session) {
  ssh_event_remove_session(event_, session);
}

bool EventLoop::wait(int timeout_ms) {
  // A signal landing on this thread interrupts the poll; that is no reason to end a session.
  errno = 0;
  return ssh_event_dopoll(event_, timeout_ms) != SSH_ERROR || errno == EINTR;
}

}  // namespace ssh
