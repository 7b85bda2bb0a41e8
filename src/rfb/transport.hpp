#pragma once
// The byte stream under the RFB client: a TCP socket in the worker, memory in tests, benchmarks
// and fuzzing. Only the worker thread touches a transport.
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "rfb/error.hpp"

namespace rfb {

class Transport {
 public:
  virtual ~Transport() = default;
  // Reads at least one byte unless the peer closed (then 0). Interrupted reads are retried.
  virtual Result<std::size_t> read_some(std::span<std::uint8_t> out) = 0;
  // Writes at least one byte, or 0 when the stream accepts none.
  virtual Result<std::size_t> write_some(std::span<const std::uint8_t> bytes) = 0;
  // Waits at most `timeout` for something to read (bytes or the end of the stream).
  virtual Result<bool> wait_readable(std::chrono::milliseconds timeout) = 0;
  virtual void close() = 0;
};

// Connects to host:port, trying every resolved address in order; the last failure wins.
// TCP_NODELAY is enabled; no read timeout is set.
Result<std::unique_ptr<Transport>> connect_tcp(const std::string& host, std::uint16_t port);

// A connected socket as a transport (takes ownership of `fd`).
std::unique_ptr<Transport> socket_transport(int fd);

}  // namespace rfb
