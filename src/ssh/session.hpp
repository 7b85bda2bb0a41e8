#pragma once
// The SSH terminal session: a "remote-ssh" worker thread owns the connection; the UI thread
// keeps this handle, drains shell output from it and sends input through it. Dropping the
// handle closes the input queue and the output queue's receiving end; the worker notices,
// disconnects and ends on its own (it is never joined).
#include <chrono>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sys/cell.hpp"
#include "platform/sys/channel.hpp"
#include "platform/sys/session_status.hpp"
#include "ssh/credentials.hpp"
#include "ssh/input.hpp"
#include "ssh/trust_store.hpp"
#include "ssh/wakeup.hpp"
#include "vt/terminal_screen.hpp"

namespace ssh {

inline constexpr std::size_t kOutputQueueCapacity = 128;

using OutputChunk = std::vector<std::uint8_t>;
using VerdictCell = vexa::sys::SharedCell<std::optional<HostKeyVerdict>>;

struct SshTarget {
  std::string host;  // as saved in the profile; also the trust store's key
  std::uint16_t port = 22;
  std::string user;
  SshCredentials credentials;
  std::filesystem::path store_path;
  std::uint16_t columns = 80;
  std::uint16_t rows = 24;
  // A connection with no traffic either way for this long is closed.
  std::chrono::milliseconds idle_timeout = std::chrono::hours(1);
};

class SshSession {
 public:
  SshSession();
  ~SshSession();
  SshSession(const SshSession&) = delete;
  SshSession& operator=(const SshSession&) = delete;

  // Fed from `output` on the UI thread only (vt::drain_output at the start of each frame).
  std::unique_ptr<vt::TerminalScreen> terminal;
  vexa::sys::StatusCell status = vexa::sys::make_status_cell();
  VerdictCell verdict = vexa::sys::make_cell<std::optional<HostKeyVerdict>>();
  // Worker → UI: shell output (standard output and error alike), in order.
  vexa::sys::Receiver<OutputChunk> output;
  // UI → worker; the UI holds the only sender, so dropping it closes the queue.
  vexa::sys::Sender<SshInput> input;
  // Rings the worker's event loop after every queued message and when the handle goes away.
  std::shared_ptr<Wakeup> wake;
};

// Starts the "remote-ssh" worker; the error is the system's text when no thread can be made.
std::expected<std::unique_ptr<SshSession>, std::string> start_ssh_session(SshTarget target);

// A copy of the host-key verdict the worker stored when it refused the server's key.
std::optional<HostKeyVerdict> ssh_verdict(const SshSession& session);

}  // namespace ssh
