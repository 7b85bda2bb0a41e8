#include "ssh/shell_pump.hpp"

#include <algorithm>
#include <climits>

namespace ssh {

namespace {

// One SSH packet's payload: large enough that the per-chunk cost (allocation, queue hand-off)
// vanishes during floods, small enough that a full queue of 128 (4 MiB) is a few milliseconds
// of terminal work for the frame that drains it.
constexpr std::uint32_t kChunkBytes = 32 * 1024;
// Per turn, so that a flood of output never starves input and the other way round.
constexpr int kOutputReadsPerTurn = 16;
constexpr int kInputsPerTurn = 16;

}  // namespace

ShellPump::ShellPump(ssh_session session, ssh_channel channel, WorkerLink& link)
    : session_(session), channel_(channel), link_(link) {
  touch();
}

std::expected<void, std::string> ShellPump::run(EventLoop& loop) {
  for (;;) {
    if (pump_output() == Flow::Stop || pump_input() == Flow::Stop) return {};
    if (std::chrono::steady_clock::now() - last_activity_ >= link_.target.idle_timeout) {
      return {};  // idle: closed as if the channel had ended
    }
    if (auto waited = loop.wait(wait_timeout_ms()); !waited) return waited;
  }
}

int ShellPump::wait_timeout_ms() const {
  if (more_output_ || more_input_) return 0;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      last_activity_ + link_.target.idle_timeout - std::chrono::steady_clock::now());
  return static_cast<int>(std::clamp<std::int64_t>(left.count() + 1, 0, INT_MAX));
}

ShellPump::Flow ShellPump::pump_output() {
  static thread_local std::uint8_t buffer[kChunkBytes];
  more_output_ = false;
  for (int turn = 0; turn < kOutputReadsPerTurn; ++turn) {
    bool got = false;
    // Standard error is shown like standard output: a terminal has only one screen.
    for (int is_stderr : {0, 1}) {
      const int n = ssh_channel_read_nonblocking(channel_, buffer, kChunkBytes, is_stderr);
      if (n == SSH_ERROR) return Flow::Stop;
      if (n <= 0) continue;
      got = true;
      touch();
      // Waits while 128 chunks are queued; a dropped handle discards the chunk.
      link_.output.send(OutputChunk(buffer, buffer + n));
    }
    if (!got) {
      return ssh_channel_is_eof(channel_) || ssh_channel_is_closed(channel_) ? Flow::Stop
                                                                            : Flow::Continue;
    }
  }
  more_output_ = true;
  return Flow::Continue;
}

ShellPump::Flow ShellPump::pump_input() {
  // Clear first: a message queued after this point rings the wake-up again.
  link_.wake->clear();
  more_input_ = false;
  for (int turn = 0; turn < kInputsPerTurn; ++turn) {
    vexa::sys::RecvError error = vexa::sys::RecvError::Empty;
    std::optional<SshInput> message = link_.input.try_recv(&error);
    if (!message) {
      if (error == vexa::sys::RecvError::Empty) return Flow::Continue;
      ssh_channel_send_eof(channel_);  // the handle was dropped
      return Flow::Stop;
    }
    touch();
    const int written = ssh_channel_write(channel_, message->bytes.data(),
                                          static_cast<std::uint32_t>(message->bytes.size()));
    // Without a ticket behind it the result goes nowhere: typed keys are not tracked.
    message->acknowledgement.send(
        written < 0 ? DeliveryResult(std::unexpected(std::string(ssh_get_error(session_))))
                    : DeliveryResult());
  }
  more_input_ = true;
  return Flow::Continue;
}

}  // namespace ssh
