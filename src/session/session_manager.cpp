#include "session/session_manager.hpp"

#include <glib.h>

#include <fmt/format.h>

#include "platform/sys/env.hpp"
#include "ssh/credentials.hpp"
#include "ssh/trust_store.hpp"

namespace session {

using profiles::Availability;
using profiles::ConnectionKind;

namespace {

// An environment value that is valid UTF-8, or nothing.
std::optional<std::string> text_env(const char* name) {
  auto value = vexa::sys::env(name);
  if (!value || !g_utf8_validate(value->data(), static_cast<gssize>(value->size()), nullptr)) return std::nullopt;
  return value;
}

}  // namespace

LiveSession SessionManager::start_ssh(const profiles::ConnectionProfile& p) {
  auto store = ssh::store_path();
  if (!store) return StartFailed{fmt::format("SSH host-key trust is unavailable: {}", store.error())};
  auto credentials = ssh::resolve_credentials(p.auth == profiles::AuthMethod::PublicKey, ssh::candidate_key_files());
  if (!credentials) return StartFailed{credentials.error()};
  std::string user = p.user;
  if (user.empty()) user = text_env("USER").value_or("root");
  ssh::SshTarget target;
  target.host = p.host;
  target.port = p.port;
  target.user = user;
  target.credentials = std::move(*credentials);
  target.store_path = *store;
  auto started = ssh::start_ssh_session(std::move(target));
  if (!started) return StartFailed{started.error()};
  return SshLive{std::move(*started)};
}

LiveSession SessionManager::start_vnc(const profiles::ConnectionProfile& p) {
  auto started = rfb::start_vnc_session(p.host, p.port, text_env("REMOTE_VNC_PASSWORD"));
  if (!started) return StartFailed{started.error()};
  return VncLive{std::move(*started)};
}

void SessionManager::drop_slot() {
  if (auto* d = device_session()) streams.end(*d);
  slot_ = std::monostate{};  // an old worker sees its queues close and ends on its own
}

SessionManager::Started SessionManager::start(const profiles::ConnectionProfile& profile) {
  if (identity_ == std::numeric_limits<SessionId>::max()) {
    drop_slot();
    slot_ = StartFailed{kIdentityExhausted};
    surface = {};
    return Started::Exhausted;
  }
  ++identity_;
  surface = {};
  drop_slot();
  auto availability = profiles::availability_of(profile);
  if (availability != Availability::Ready) {
    slot_ = NotAvailable{profile.kind, availability};
    return Started::NotReady;
  }
  switch (profile.kind) {
    case ConnectionKind::Ssh: slot_ = start_ssh(profile); break;
    case ConnectionKind::Vnc: slot_ = start_vnc(profile); break;
    case ConnectionKind::Rdp: slot_ = NotAvailable{ConnectionKind::Rdp, Availability::NotSupported}; break;
    case ConnectionKind::Vexa: {
      auto started = streams.start(profile.host);
      if (started) slot_ = DeviceLive{std::move(*started)}; else slot_ = StartFailed{started.error()};
      break;
    }
  }
  return Started::Started;
}

void SessionManager::end() {
  drop_slot();
  surface = {};
  if (identity_ != std::numeric_limits<SessionId>::max()) ++identity_;
}

void SessionManager::stage(SessionStatus status) { slot_ = Staged{std::move(status)}; }

std::optional<SessionStatus> SessionManager::status() const {
  struct Visitor {
    std::optional<SessionStatus> operator()(const std::monostate&) const { return std::nullopt; }
    std::optional<SessionStatus> operator()(const StartFailed& f) const { return SessionStatus::failed(f.text); }
    std::optional<SessionStatus> operator()(const NotAvailable& n) const {
      return SessionStatus::unavailable(std::string(profiles::availability_text(n.availability, n.kind)));
    }
    std::optional<SessionStatus> operator()(const Staged& s) const { return s.status; }
    std::optional<SessionStatus> operator()(const SshLive& s) const { return s.handle->status->get(); }
    std::optional<SessionStatus> operator()(const VncLive& v) const { return v.handle.status->get(); }
    std::optional<SessionStatus> operator()(const DeviceLive& d) const { return d.record.status; }
  };
  return std::visit(Visitor{}, slot_);
}

bool SessionManager::live() const {
  if (std::holds_alternative<Staged>(slot_)) return false;  // nothing behind it to wait for
  auto s = status();
  return s && s->live();
}

ssh::SshSession* SessionManager::ssh_session() {
  auto* s = std::get_if<SshLive>(&slot_);
  return s ? s->handle.get() : nullptr;
}

const ssh::SshSession* SessionManager::ssh_session() const {
  auto* s = std::get_if<SshLive>(&slot_);
  return s ? s->handle.get() : nullptr;
}

device::DeviceStreamSession* SessionManager::device_session() {
  auto* d = std::get_if<DeviceLive>(&slot_);
  return d ? &d->record : nullptr;
}

rfb::VncSession* SessionManager::vnc_session() { return std::get_if<VncLive>(&slot_) ? &std::get<VncLive>(slot_).handle : nullptr; }

}  // namespace session
