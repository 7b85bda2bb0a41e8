#pragma once
// The worker's single-threaded runtime: libssh's own event loop (poll) over the SSH socket and
// the input queue's wake-up descriptor, with the wait's timeout as the timer. Being libssh's
// loop, it also sends the packets libssh holds back until its poll sees the socket writable.
#include <libssh/libssh.h>

#include <expected>
#include <string>

namespace ssh {

class EventLoop {
 public:
  // `wake` must outlive the loop.
  static std::expected<EventLoop, std::string> create(class Wakeup& wake);
  EventLoop(EventLoop&& other) noexcept : event_(other.event_), wake_fd_(other.wake_fd_) {
    other.event_ = nullptr;
  }
  EventLoop& operator=(EventLoop&&) = delete;
  ~EventLoop();

  std::expected<void, std::string> add(ssh_session session);
  void remove(ssh_session session);
  // Handles whatever is ready, waiting at most `timeout_ms` (-1: no limit). False when the
  // connection is gone.
  bool wait(int timeout_ms);

 private:
  EventLoop(ssh_event event, int wake_fd) : event_(event), wake_fd_(wake_fd) {}
  ssh_event event_ = nullptr;
  int wake_fd_ = -1;
};

// Keeps a session in the loop for the lifetime of the guard.
class SessionInLoop {
 public:
  SessionInLoop(EventLoop& loop, ssh_session session) : loop_(loop), session_(session) {}
  ~SessionInLoop() { loop_.remove(session_); }
  SessionInLoop(const SessionInLoop&) = delete;
  SessionInLoop& operator=(const SessionInLoop&) = delete;

 private:
  EventLoop& loop_;
  ssh_session session_;
};

}  // namespace ssh
