#include "rfb/session_loop.hpp"

#include <fmt/format.h>

namespace rfb {

namespace {

using Clock = std::chrono::steady_clock;

Result<void> write_input(Wire& wire, const VncInput& input) {
  if (input.kind == VncInput::Kind::Key) {
    return wire.write_all(key_event_message(input.down, input.keysym));
  }
  return wire.write_all(pointer_event_message(input.button_mask, input.x, input.y));
}

Result<void> request_update(LoopContext& c, Clock::time_point& last_request) {
  last_request = Clock::now();
  return c.wire.write_all(update_request_message(true, c.frame.width(), c.frame.height()));
}

}  // namespace

Result<void> handle_server_message(std::uint8_t type, LoopContext& c, UpdateDecoder& decoder,
                                   bool& updated) {
  updated = false;
  switch (type) {
    case 0: {
      auto summary = decoder.apply(c.wire, c.frame);
      if (!summary) return std::unexpected(summary.error());
      c.slot.publish(c.frame.snapshot());
      if (c.counters) {
        c.counters->updates.fetch_add(1, std::memory_order_relaxed);
        c.counters->pixels.fetch_add(summary->pixels, std::memory_order_relaxed);
      }
      updated = true;
      return {};
    }
    case 1: {  // SetColourMapEntries: unused with a true-colour format
      std::uint8_t head[5];
      if (auto r = c.wire.read_exact(head); !r) return r;
      std::uint32_t colours = std::uint32_t{head[3]} << 8 | head[4];
      return c.wire.discard(std::uint64_t{colours} * 6);
    }
    case 2:  // Bell: no sound is played
      return {};
    case 3: {  // ServerCutText: the remote clipboard is not used
      std::uint8_t head[7];
      if (auto r = c.wire.read_exact(head); !r) return r;
      std::uint32_t length = std::uint32_t{head[3]} << 24 | std::uint32_t{head[4]} << 16 |
                             std::uint32_t{head[5]} << 8 | head[6];
      return c.wire.discard(length);
    }
    default:
      return invalid_data(fmt::format("unknown server message {}", type));
  }
}

Result<void> run_session_loop(LoopContext c) {
  UpdateDecoder decoder(kClientFormat);
  Clock::time_point last_request = Clock::now();
  for (;;) {
    vexa::sys::RecvError recv_error{};
    if (auto input = c.input.try_recv(&recv_error)) {
      // All queued input goes out before the socket is read again.
      if (auto r = write_input(c.wire, *input); !r) return r;
      continue;
    }
    if (recv_error == vexa::sys::RecvError::Closed) return {};
    auto ready = c.wire.wait_readable(kReadTimeout);
    if (!ready) return std::unexpected(ready.error());
    if (!*ready) {
      if (Clock::now() - last_request >= kIdleRequestInterval) {
        if (auto r = request_update(c, last_request); !r) return r;
      }
      continue;
    }
    auto type = c.wire.read_u8();
    if (!type) return std::unexpected(type.error());
    bool updated = false;
    if (auto r = handle_server_message(*type, c, decoder, updated); !r) return r;
    if (updated) {
      if (auto r = request_update(c, last_request); !r) return r;
    }
  }
}

}  // namespace rfb
