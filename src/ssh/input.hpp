#pragma once
// User input for an SSH session: bounded, never waited on by the UI thread, and optionally
// acknowledged once the worker has written it to the remote shell.
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/sys/oneshot.hpp"

namespace ssh {

class SshSession;

inline constexpr std::size_t kInputQueueCapacity = 256;
inline constexpr std::size_t kMaxInputBytes = 65536;

// What the worker reports for a tracked message: success or the write error's text.
using DeliveryResult = std::expected<void, std::string>;

// One message on the input queue. The bytes go to the shell unchanged. An acknowledgement
// sender that was never connected to a receiver (the default) means "untracked": sending on
// it does nothing.
struct SshInput {
  vexa::sys::OneshotSender<DeliveryResult> acknowledgement;
  std::vector<std::uint8_t> bytes;
};

// The receiving end of one tracked message's acknowledgement.
struct DeliveryState {
  enum class Kind { Acknowledged, Waiting, WorkerLost, DeliveryFailed };
  Kind kind = Kind::Waiting;
  std::string text;  // DeliveryFailed only
  bool operator==(const DeliveryState&) const = default;
};

// The receiving end of one tracked message's acknowledgement. Once the worker's answer has been
// read it is kept, so polling again reports the same state.
struct DeliveryTicket {
  vexa::sys::OneshotReceiver<DeliveryResult> receiver;
  std::optional<DeliveryState> settled;
};

// Both refuse empty input, more than 64 KiB, a full queue and a closed one; they never wait.
std::expected<void, std::string> send_ssh_input(SshSession& session,
                                                std::span<const std::uint8_t> bytes);
std::expected<DeliveryTicket, std::string> send_ssh_input_tracked(
    SshSession& session, std::span<const std::uint8_t> bytes);

// Never blocks.
DeliveryState poll_delivery(DeliveryTicket& ticket);

}  // namespace ssh
