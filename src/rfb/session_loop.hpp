#pragma once
// The worker's message loop after the handshake: forward queued input, wait at most 100 ms for
// a server message, keep update requests flowing.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

#include "platform/sys/channel.hpp"
#include "rfb/framebuffer.hpp"
#include "rfb/input.hpp"
#include "rfb/update.hpp"
#include "rfb/wire.hpp"

namespace rfb {

inline constexpr std::chrono::milliseconds kReadTimeout{100};
inline constexpr std::chrono::milliseconds kIdleRequestInterval{500};

// Counters a benchmark or diagnostic may read while the session runs.
struct SessionCounters {
  std::atomic<std::uint64_t> updates{0};
  std::atomic<std::uint64_t> pixels{0};
};

struct LoopContext {
  Wire& wire;
  Framebuffer& frame;
  FrameSlot& slot;
  vexa::sys::Receiver<VncInput>& input;
  SessionCounters* counters = nullptr;
};

// Runs until the input queue's sending side is gone (success) or an error ends the session.
// Expects the handshake's non-incremental request to have been sent just before.
Result<void> run_session_loop(LoopContext context);

// One server message whose type byte was already read.
Result<void> handle_server_message(std::uint8_t type, LoopContext& context,
                                   UpdateDecoder& decoder, bool& updated);

}  // namespace rfb
