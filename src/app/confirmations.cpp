// Confirmations: what needs the user's explicit yes, the signature re-check before acting,
// and the notice sentences of every refusal and outcome.
#include <fmt/format.h>

#include "app/remote_app.hpp"
#include "ssh/session.hpp"
#include "ssh/trust_store.hpp"

namespace app {

namespace {
constexpr const char* kMissing = "That saved connection no longer exists.";
}  // namespace

void RemoteApp::ask_connect(const Uuid& id) {
  const auto* p = find_profile(id);
  if (!p) {
    notice = kMissing;
    return;
  }
  if (profiles::availability_of(*p) != profiles::Availability::Ready) {
    // Nothing to confirm: the session surface explains why it cannot connect.
    execute(cmd::Connect{id});
    return;
  }
  notice.reset();
  focus_input(std::nullopt);
  pending_confirmation = PendingConfirmation{PendingConfirmation::Kind::Connect, id,
                                             profiles::profile_signature(*p), std::nullopt};
}

void RemoteApp::ask_delete(const Uuid& id) {
  const auto* p = find_profile(id);
  if (!p) {
    notice = kMissing;
    return;
  }
  notice.reset();
  focus_input(std::nullopt);
  pending_confirmation = PendingConfirmation{PendingConfirmation::Kind::Delete, id,
                                             profiles::profile_signature(*p), std::nullopt};
}

void RemoteApp::ask_trust_key(const Uuid& id) {
  const auto* p = find_profile(id);
  if (!p) return;
  auto waiting = waiting_host_key(id);
  if (waiting && waiting->kind == WaitingHostKey::Kind::NeedsTrust) {
    pending_confirmation = PendingConfirmation{PendingConfirmation::Kind::TrustHostKey, id,
                                               profiles::profile_signature(*p), waiting->identity};
    return;
  }
  notice =
      "No new SSH host key is waiting for trust. Changed keys must be forgotten before they can be "
      "reviewed again.";
}

void RemoteApp::ask_forget_key(const Uuid& id) {
  const auto* p = find_profile(id);
  if (!p) return;
  auto waiting = waiting_host_key(id);
  if (waiting && waiting->kind == WaitingHostKey::Kind::Changed) {
    pending_confirmation = PendingConfirmation{PendingConfirmation::Kind::ForgetHostKey, id,
                                               profiles::profile_signature(*p), std::nullopt};
    return;
  }
  notice =
      "Only a currently changed SSH host key can be forgotten. Reconnect to revalidate this target "
      "first.";
}

void RemoteApp::confirm() {
  if (!pending_confirmation) return;
  PendingConfirmation pending = std::move(*pending_confirmation);
  pending_confirmation.reset();
  const auto* p = find_profile(pending.id);
  if (!p) {
    notice = "The saved connection was removed before confirmation.";
    return;
  }
  if (profiles::profile_signature(*p) != pending.signature) {
    notice =
        "This connection changed while confirmation was open. Review the current profile, then try "
        "again.";
    return;
  }
  switch (pending.kind) {
    case PendingConfirmation::Kind::Connect: execute(cmd::Connect{pending.id}); break;
    case PendingConfirmation::Kind::Delete: {
      Uuid id = pending.id;
      std::erase_if(profiles, [&](const auto& q) { return q.id == id; });
      publish_delete(id);
      if (selected == id) selected = first_visible();
      break;
    }
    case PendingConfirmation::Kind::TrustHostKey: confirm_trust(pending, *p); break;
    case PendingConfirmation::Kind::ForgetHostKey: confirm_forget(*p); break;
  }
}

std::optional<WaitingHostKey> RemoteApp::waiting_host_key(const Uuid& id) const {
  const auto* s = sessions.ssh_session();
  if (!s || !session_target.open || session_target.id != id) return std::nullopt;
  auto verdict = ssh::ssh_verdict(*s);
  if (!verdict) return std::nullopt;
  if (auto* needs = std::get_if<ssh::NeedsTrust>(&*verdict)) return WaitingHostKey{WaitingHostKey::Kind::NeedsTrust, needs->observed};
  if (auto* changed = std::get_if<ssh::Changed>(&*verdict)) return WaitingHostKey{WaitingHostKey::Kind::Changed, changed->observed};
  return std::nullopt;
}

void RemoteApp::confirm_trust(const PendingConfirmation& pending, const profiles::ConnectionProfile& profile) {
  auto waiting = waiting_host_key(profile.id);
  if (!waiting || waiting->kind != WaitingHostKey::Kind::NeedsTrust || waiting->identity != pending.observed) {
    notice = "The observed SSH host key changed before it was trusted. Review it again.";
    return;
  }
  auto store = ssh::store_path();
  if (!store) {
    notice = fmt::format("Could not use private SSH host-key storage: {}", store.error());
    return;
  }
  if (auto saved = ssh::trust_host_key(*store, profile.host, profile.port, waiting->identity); !saved) {
    notice = fmt::format("Could not save SSH host-key trust: {}", saved.error());
    return;
  }
  execute(cmd::Connect{profile.id});
}

void RemoteApp::confirm_forget(const profiles::ConnectionProfile& profile) {
  auto waiting = waiting_host_key(profile.id);
  if (!waiting || waiting->kind != WaitingHostKey::Kind::Changed) {
    notice =
        "The SSH host key is no longer the changed key you approved for removal. Reconnect to review "
        "it again.";
    return;
  }
  auto store = ssh::store_path();
  if (!store) {
    notice = fmt::format("Could not use private SSH host-key storage: {}", store.error());
    return;
  }
  auto removed = ssh::forget_host_key(*store, profile.host, profile.port);
  if (!removed) {
    notice = fmt::format("Could not forget SSH host-key trust: {}", removed.error());
    return;
  }
  if (!*removed) {
    notice = "No local SSH host-key pin was found for this target.";
    return;
  }
  notice = "Forgot the local SSH host-key pin. Reconnect to review the next key before trusting it.";
  execute(cmd::CloseSession{});
}

std::optional<std::string> RemoteApp::trust_observed_key(const Uuid& id, const ssh::HostKeyIdentity& observed) {
  auto waiting = waiting_host_key(id);
  if (!waiting || waiting->kind != WaitingHostKey::Kind::NeedsTrust || waiting->identity != observed) {
    return "the observed SSH host key is stale; reconnect to inspect the current key";
  }
  const auto* p = find_profile(id);
  auto store = ssh::store_path();
  if (!store) return fmt::format("private SSH host-key storage is unavailable: {}", store.error());
  if (auto saved = ssh::trust_host_key(*store, p->host, p->port, observed); !saved) {
    return fmt::format("could not save SSH host-key trust: {}", saved.error());
  }
  execute(cmd::Connect{id});
  return std::nullopt;
}

std::optional<std::string> RemoteApp::forget_changed_key(const Uuid& id) {
  auto waiting = waiting_host_key(id);
  if (!waiting || waiting->kind != WaitingHostKey::Kind::Changed) {
    return "only the currently observed changed SSH host key can be forgotten";
  }
  const auto* p = find_profile(id);
  auto store = ssh::store_path();
  if (!store) return fmt::format("private SSH host-key storage is unavailable: {}", store.error());
  if (auto removed = ssh::forget_host_key(*store, p->host, p->port); !removed) {
    return fmt::format("could not forget SSH host-key trust: {}", removed.error());
  }
  execute(cmd::CloseSession{});
  return std::nullopt;
}

}  // namespace app
