#pragma once
// The UI-side step that moves waiting shell output into the screen, once per frame.
//
// A source is either anything with `try_recv()` returning an optional chunk (such as
// vexa::sys::Receiver<std::vector<std::uint8_t>>) or a callable returning one. It is never
// waited on. Chunks are fed in arrival order.
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "vt/terminal_screen.hpp"

namespace vt {

using OutputChunk = std::vector<std::uint8_t>;

// The SSH output queue holds at most 128 chunks. Stopping after that many keeps a producer
// that refills the queue as fast as it is drained from holding the UI thread in one frame;
// the rest is taken on the next frame.
inline constexpr std::size_t kMaxChunksPerDrain = 128;

template <typename S>
concept ReceiverSource = requires(S& s) {
  { s.try_recv() } -> std::convertible_to<std::optional<OutputChunk>>;
};

template <typename S>
concept CallableSource = requires(S& s) {
  { s() } -> std::convertible_to<std::optional<OutputChunk>>;
};

template <typename S>
requires ReceiverSource<S> || CallableSource<S> std::optional<OutputChunk> next_chunk(S& source) {
  if constexpr (ReceiverSource<S>) {
    return source.try_recv();
  } else {
    return source();
  }
}

// Feeds every chunk already waiting (up to `max_chunks`); true when at least one was fed.
template <typename S>
requires ReceiverSource<S> || CallableSource<S>
bool drain_output(S& source, TerminalScreen& screen, std::size_t max_chunks = kMaxChunksPerDrain) {
  bool fed = false;
  for (std::size_t i = 0; i < max_chunks; ++i) {
    std::optional<OutputChunk> chunk = next_chunk(source);
    if (!chunk) break;
    screen.feed(*chunk);
    fed = true;
  }
  return fed;
}

}  // namespace vt
