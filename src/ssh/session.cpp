#include "ssh/session.hpp"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/sys/thread.hpp"
#include "ssh/worker.hpp"

namespace ssh {

SshSession::SshSession() = default;

SshSession::~SshSession() {
  input.reset();
  output.close();
  if (wake) wake->notify();
}

std::expected<std::unique_ptr<SshSession>, std::string> start_ssh_session(SshTarget target) {
  auto session = std::make_unique<SshSession>();
  session->terminal = std::make_unique<vt::TerminalScreen>(target.columns, target.rows);
  session->wake = std::make_shared<Wakeup>();
  if (!session->wake->valid()) return std::unexpected(std::string(std::strerror(errno)));
  auto output = vexa::sys::bounded<OutputChunk>(kOutputQueueCapacity);
  auto input = vexa::sys::bounded<SshInput>(kInputQueueCapacity);
  session->output = std::move(output.receiver);
  session->input = std::move(input.sender);
  // std::function needs a copyable body; the link itself holds move-only queue ends.
  auto link = std::make_shared<WorkerLink>(WorkerLink{std::move(target), session->status,
                                                      session->verdict, std::move(output.sender),
                                                      std::move(input.receiver), session->wake});
  try {
    vexa::sys::spawn_detached("remote-ssh", [link] { run_worker(*link); });
  } catch (const std::system_error& error) {
    return std::unexpected(error.code().message());
  }
  return session;
}

std::optional<HostKeyVerdict> ssh_verdict(const SshSession& session) {
  return session.verdict->get();
}

}  // namespace ssh
