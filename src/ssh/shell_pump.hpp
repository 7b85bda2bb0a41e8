#pragma once
// The data loop of a live shell: remote output to the output queue, queued input to the
// remote, until the remote ends the channel, the handle is dropped or the link goes idle.
#include <libssh/libssh.h>

#include <chrono>
#include <expected>
#include <string>

#include "ssh/event_loop.hpp"
#include "ssh/worker.hpp"

namespace ssh {

class ShellPump {
 public:
  ShellPump(ssh_session session, ssh_channel channel, WorkerLink& link);
  // Returns when the session is over; an error only when the runtime itself failed.
  std::expected<void, std::string> run(EventLoop& loop);

 private:
  enum class Flow { Continue, Stop };
  Flow pump_output();
  Flow pump_input();
  void touch() { last_activity_ = std::chrono::steady_clock::now(); }
  int wait_timeout_ms() const;

  ssh_session session_;
  ssh_channel channel_;
  WorkerLink& link_;
  std::chrono::steady_clock::time_point last_activity_;
  bool more_output_ = false;  // stopped reading for fairness, not because nothing was left
  bool more_input_ = false;
};

}  // namespace ssh
