#pragma once
// Buffered big-endian reading and whole-buffer writing over a transport. Reads come from a
// 256 KiB buffer (Raw rows are converted straight out of it); other large payloads are read
// into a scratch area that grows only as bytes actually arrive, so a hostile length costs
// memory only when the data is really sent.
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "rfb/transport.hpp"

namespace rfb {

inline constexpr const char* kShortRead = "failed to fill whole buffer";
inline constexpr const char* kShortWrite = "failed to write whole buffer";

class Wire {
 public:
  // `preloaded` is read first, without copying (memory input for tests and benchmarks); it must
  // outlive the wire.
  explicit Wire(Transport& transport, std::span<const std::uint8_t> preloaded = {});

  Result<void> read_exact(std::span<std::uint8_t> out);
  Result<std::uint8_t> read_u8();
  Result<std::uint16_t> read_u16();
  Result<std::uint32_t> read_u32();

  // The next `n` bytes, valid until the next read. Zero-copy when they are already buffered.
  Result<std::span<const std::uint8_t>> read_view(std::size_t n);
  // Everything buffered, at least `min` bytes (at most the buffer size), reading more only
  // when fewer are there; nothing is consumed until `consume`. Valid until the next read.
  Result<std::span<const std::uint8_t>> peek(std::size_t min);
  void consume(std::size_t n) { pos_ += n; }
  static constexpr std::size_t kBufferSize = 256 * 1024;
  // Reads and forgets `n` bytes in bounded chunks.
  Result<void> discard(std::uint64_t n);
  // A length-prefixed text: at most `keep` bytes are kept, the rest is discarded.
  Result<std::string> read_string(std::size_t keep);

  // True when a message can be read without waiting longer than `timeout`.
  Result<bool> wait_readable(std::chrono::milliseconds timeout);

  Result<void> write_all(std::span<const std::uint8_t> bytes);

  Transport& transport() { return transport_; }

 private:
  std::size_t buffered() const { return end_ - pos_; }
  Result<void> refill();
  Result<void> fill_direct(std::uint8_t* out, std::size_t n);
  void ensure_scratch(std::size_t capacity, std::size_t keep);

  Transport& transport_;
  std::unique_ptr<std::uint8_t[]> storage_;
  const std::uint8_t* data_ = nullptr;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::unique_ptr<std::uint8_t[]> scratch_;
  std::size_t scratch_size_ = 0;
};

}  // namespace rfb
