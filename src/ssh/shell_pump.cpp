#include "ssh/shell_pump.hpp"

#include <algorithm>
#include <climits>

namespace ssh {

namespace {

// One SSH packet's payload: large enough that the per-chunk cost (allocation, queue hand-off)
// vanishes during floods, small enough that a full queue of 128 (4 MiB) is a few milliseconds
// of terminal work for the frame that drains it.
constexpr std::size_t kChunkBytes = 32 * 1024;
// Per turn, so that a flood of input cannot starve output.
constexpr int kInputsPerTurn = 16;

}  // namespace

ShellPump::ShellPump(ssh_session session, ssh_channel channel, WorkerLink& link)
    : session_(session), channel_(channel), link_(link) {
  callbacks_.userdata = this;
  callbacks_.channel_data_function = &ShellPump::on_data;
  ssh_callbacks_init(&callbacks_);
  ssh_set_channel_callbacks(channel_, &callbacks_);
  touch();
}

ShellPump::~ShellPump() {
  ssh_remove_channel_callbacks(channel_, &callbacks_);
}

// libssh hands over every data message as it decodes it, whichever call decoded it, so no
// output can sit unseen in the library while the loop sleeps. Standard error is shown like
// standard output: a terminal has only one screen.
int ShellPump::on_data(ssh_session, ssh_channel, void* data, std::uint32_t length, int,
                       void* self) {
  static_cast<ShellPump*>(self)->deliver(static_cast<const std::uint8_t*>(data), length);
  return static_cast<int>(length);
}

void ShellPump::deliver(const std::uint8_t* data, std::size_t length) {
  touch();
  for (std::size_t offset = 0; offset < length; offset += kChunkBytes) {
    const std::size_t size = std::min(kChunkBytes, length - offset);
    // Waits while 128 chunks are queued, which also stops the reading of the socket, so the
    // remote is held back by the SSH window; a dropped handle discards the chunk.
    link_.output.send(OutputChunk(data + offset, data + offset + size));
  }
}

// Output that arrived with the shell's start-up, before the callback was in place.
void ShellPump::drain_buffered() {
  std::uint8_t buffer[kChunkBytes];
  for (int is_stderr : {0, 1}) {
    while (ssh_channel_poll(channel_, is_stderr) > 0) {
      const int n = ssh_channel_read_nonblocking(channel_, buffer, sizeof buffer, is_stderr);
      if (n <= 0) break;
      deliver(buffer, static_cast<std::size_t>(n));
    }
  }
}

bool ShellPump::remote_ended() const {
  return ssh_channel_is_eof(channel_) || ssh_channel_is_closed(channel_) ||
         !ssh_is_connected(session_);
}

void ShellPump::run(EventLoop& loop) {
  drain_buffered();
  for (;;) {
    if (remote_ended() || pump_input() == Flow::Stop) return;
    if (std::chrono::steady_clock::now() - last_activity_ >= link_.target.idle_timeout) {
      return;  // idle: closed as if the channel had ended
    }
    if (!loop.wait(wait_timeout_ms())) return;
  }
}

int ShellPump::wait_timeout_ms() const {
  if (more_input_) return 0;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      last_activity_ + link_.target.idle_timeout - std::chrono::steady_clock::now());
  return static_cast<int>(std::clamp<std::int64_t>(left.count() + 1, 0, INT_MAX));
}

ShellPump::Flow ShellPump::pump_input() {
  // The loop consumed the wake-up before this look at the queue, so a message queued after
  // this point rings it again.
  more_input_ = false;
  for (int turn = 0; turn < kInputsPerTurn; ++turn) {
    if (!pending_) {
      vexa::sys::RecvError error = vexa::sys::RecvError::Empty;
      pending_ = link_.input.try_recv(&error);
      pending_offset_ = 0;
      if (!pending_) {
        if (error == vexa::sys::RecvError::Empty) return Flow::Continue;
        ssh_channel_send_eof(channel_);  // the handle was dropped
        return Flow::Stop;
      }
      touch();
    }
    if (!write_pending()) return Flow::Continue;  // window shut: its adjustment wakes us
  }
  more_input_ = true;
  return Flow::Continue;
}

// Writes as much of the pending message as the remote's window takes, so the worker never
// blocks on a remote that is not reading (it may be waiting for us to read its output). The
// acknowledgement goes out once the whole message is written, or with the write's error.
bool ShellPump::write_pending() {
  const std::uint32_t window = ssh_channel_window_size(channel_);
  if (window == 0) return false;
  const std::vector<std::uint8_t>& bytes = pending_->bytes;
  const auto size =
      static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size() - pending_offset_, window));
  const int written = ssh_channel_write(channel_, bytes.data() + pending_offset_, size);
  if (written < 0) {
    // Without a ticket behind it the result goes nowhere: typed keys are not tracked.
    pending_->acknowledgement.send(std::unexpected(std::string(ssh_get_error(session_))));
    pending_.reset();
    return true;
  }
  pending_offset_ += static_cast<std::size_t>(written);
  if (pending_offset_ == bytes.size()) {
    pending_->acknowledgement.send({});
    pending_.reset();
  }
  return true;
}

}  // namespace ssh
