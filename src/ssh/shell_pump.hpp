#pragma once
// The data loop of a live shell: remote output to the output queue, queued input to the
// remote, until the remote ends the channel, the handle is dropped or the link goes idle.
#include <libssh/callbacks.h>
#include <libssh/libssh.h>

#include <chrono>
#include <optional>

#include "ssh/event_loop.hpp"
#include "ssh/worker.hpp"

namespace ssh {

class ShellPump {
 public:
  ShellPump(ssh_session session, ssh_channel channel, WorkerLink& link);
  ~ShellPump();
  ShellPump(const ShellPump&) = delete;
  ShellPump& operator=(const ShellPump&) = delete;

  // Returns when the session is over.
  void run(EventLoop& loop);

 private:
  enum class Flow { Continue, Stop };
  static int on_data(ssh_session, ssh_channel, void* data, std::uint32_t length, int is_stderr,
                     void* self);
  void deliver(const std::uint8_t* data, std::size_t length);
  void drain_buffered();
  bool remote_ended() const;
  Flow pump_input();
  bool write_pending();
  void touch() { last_activity_ = std::chrono::steady_clock::now(); }
  int wait_timeout_ms() const;

  ssh_session session_;
  ssh_channel channel_;
  WorkerLink& link_;
  ssh_channel_callbacks_struct callbacks_{};
  std::chrono::steady_clock::time_point last_activity_;
  bool more_input_ = false;          // stopped writing for fairness, not because nothing was left
  std::optional<SshInput> pending_;  // taken from the queue, not yet fully written
  std::size_t pending_offset_ = 0;
};

}  // namespace ssh
