#include "ssh/input.hpp"

#include <fmt/format.h>

#include "ssh/session.hpp"

namespace ssh {

namespace {

std::expected<void, std::string> queue_input(SshSession& session,
                                             std::span<const std::uint8_t> bytes,
                                             vexa::sys::OneshotSender<DeliveryResult> ack) {
  if (bytes.empty()) return std::unexpected(std::string("SSH input cannot be empty"));
  if (bytes.size() > kMaxInputBytes) {
    return std::unexpected(
        fmt::format("SSH input exceeds the {} KiB per-operation limit", kMaxInputBytes / 1024));
  }
  SshInput message{std::move(ack), std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
  // A refused message is dropped here, acknowledgement sender included: no ticket exists.
  if (auto refused = session.input.try_send(std::move(message))) {
    return std::unexpected(
        std::string(*refused == vexa::sys::SendError::Full
                        ? "SSH input is busy; wait for the remote session to catch up"
                        : "SSH session input channel is closed"));
  }
  session.wake->notify();
  return {};
}

}  // namespace

std::expected<void, std::string> send_ssh_input(SshSession& session,
                                                std::span<const std::uint8_t> bytes) {
  return queue_input(session, bytes, {});
}

std::expected<DeliveryTicket, std::string> send_ssh_input_tracked(
    SshSession& session, std::span<const std::uint8_t> bytes) {
  auto [sender, receiver] = vexa::sys::oneshot<DeliveryResult>();
  if (auto queued = queue_input(session, bytes, std::move(sender)); !queued) {
    return std::unexpected(queued.error());
  }
  return DeliveryTicket{std::move(receiver), std::nullopt};
}

DeliveryState poll_delivery(DeliveryTicket& ticket) {
  if (ticket.settled) return *ticket.settled;
  std::optional<DeliveryResult> value;
  switch (ticket.receiver.try_recv(value)) {
    case vexa::sys::OneshotState::Ready:
      ticket.settled = (value && *value) ? DeliveryState{DeliveryState::Kind::Acknowledged, {}}
                                         : DeliveryState{DeliveryState::Kind::DeliveryFailed,
                                                         value ? value->error() : std::string()};
      return *ticket.settled;
    case vexa::sys::OneshotState::Empty:
      return {DeliveryState::Kind::Waiting, {}};
    case vexa::sys::OneshotState::Closed:
      break;
  }
  return {DeliveryState::Kind::WorkerLost, {}};
}

}  // namespace ssh
