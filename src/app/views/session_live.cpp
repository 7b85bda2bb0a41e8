// The live session surfaces and the input a live session takes.
#include "app/views/views.hpp"

namespace app::views {

bool draw_live_surface(RemoteApp&, vexa_ui::DrawContext&, const profiles::ConnectionProfile&, vexa_ui::Rect) {
  return false;  // no transport session can be live yet
}

std::string live_surface_text(const RemoteApp&) { return {}; }

}  // namespace app::views

namespace app {

bool RemoteApp::session_key(const vexa_ui::Key&) { return false; }
bool RemoteApp::session_pointer(const vexa_ui::Event&) { return false; }

}  // namespace app

namespace app {

bool RemoteApp::ssh_terminal_connected(const Uuid&) const { return false; }

std::optional<std::string> RemoteApp::send_text(const Uuid&, const std::string&, bool) {
  return "text input requires a connected SSH terminal";
}

vexa_actions::PollResult RemoteApp::poll_delivery_outcome() {
  return vexa_actions::poll::Failed{"remote.input_worker_lost", "remote input worker stopped before acknowledgement"};
}

std::optional<std::string> RemoteApp::trust_observed_key(const Uuid& id, const ssh::HostKeyIdentity& observed) {
  auto waiting = waiting_host_key(id);
  if (!waiting || waiting->kind != WaitingHostKey::Kind::NeedsTrust || waiting->identity != observed) {
    return "the observed SSH host key is stale; reconnect to inspect the current key";
  }
  return std::nullopt;
}

std::optional<std::string> RemoteApp::forget_changed_key(const Uuid& id) {
  auto waiting = waiting_host_key(id);
  if (!waiting || waiting->kind != WaitingHostKey::Kind::Changed) {
    return "only the currently observed changed SSH host key can be forgotten";
  }
  return std::nullopt;
}

}  // namespace app
