#pragma once
// A transport over bytes in memory: reads hand out the input in chunks of at most `chunk`
// bytes and then report the end of the stream; writes are collected (or only counted).
#include <algorithm>
#include <cstring>
#include <vector>

#include "rfb/transport.hpp"

namespace rfb {

class MemoryTransport final : public Transport {
 public:
  explicit MemoryTransport(std::span<const std::uint8_t> input = {}, std::size_t chunk = SIZE_MAX,
                           bool keep_writes = true)
      : input_(input), chunk_(std::max<std::size_t>(chunk, 1)), keep_writes_(keep_writes) {}

  Result<std::size_t> read_some(std::span<std::uint8_t> out) override {
    std::size_t n = std::min({out.size(), input_.size(), chunk_});
    if (n > 0) std::memcpy(out.data(), input_.data(), n);
    input_ = input_.subspan(n);
    return n;
  }
  Result<std::size_t> write_some(std::span<const std::uint8_t> bytes) override {
    if (keep_writes_) written_.insert(written_.end(), bytes.begin(), bytes.end());
    written_count_ += bytes.size();
    return bytes.size();
  }
  Result<bool> wait_readable(std::chrono::milliseconds) override { return true; }
  void close() override { closed_ = true; }

  const std::vector<std::uint8_t>& written() const { return written_; }
  std::size_t written_count() const { return written_count_; }
  bool closed() const { return closed_; }

 private:
  std::span<const std::uint8_t> input_;
  std::size_t chunk_;
  bool keep_writes_;
  std::vector<std::uint8_t> written_;
  std::size_t written_count_ = 0;
  bool closed_ = false;
};

}  // namespace rfb
