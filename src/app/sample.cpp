// The sample workspace: fixed profiles and devices so every screen can be reviewed offline.
#include "app/sample.hpp"

#include <algorithm>

#include "platform/endpoint/endpoint_key.hpp"

namespace app {

using profiles::AuthMethod;
using profiles::ConnectionKind;
using profiles::Presence;

std::string sample_device_endpoint(int index) {
  vexa::endpoint::SecretKey secret{};
  // Four fixed, distinct secrets: a recognisable byte pattern per device.
  for (std::size_t i = 0; i < secret.size(); ++i) {
    secret[i] = static_cast<std::uint8_t>(0x5A ^ (index * 37) ^ (i * 11));
  }
  return vexa::endpoint::to_text(vexa::endpoint::public_key_from_secret(secret));
}

namespace {

struct SampleRow {
  const char* name;
  ConnectionKind kind;
  std::string host;
  std::uint16_t port;
  const char* user;
  AuthMethod auth;
  Presence presence;
  bool favorite;
  const char* last_used;
  const char* group;
};

void add_or_replace(RemoteApp& app, profiles::ConnectionProfile p) {
  auto it = std::find_if(app.profiles.begin(), app.profiles.end(), [&](const auto& q) { return q.id == p.id; });
  if (it != app.profiles.end()) *it = std::move(p); else app.profiles.push_back(std::move(p));
}

const profiles::ConnectionProfile* first_of(const RemoteApp& app, ConnectionKind kind) {
  auto it = std::find_if(app.profiles.begin(), app.profiles.end(), [&](const auto& p) { return p.kind == kind; });
  return it == app.profiles.end() ? nullptr : &*it;
}

void stage(RemoteApp& app, const profiles::ConnectionProfile* p, vexa::sys::SessionStatus status) {
  if (!p) return;
  app.session_target = {true, p->id};
  app.screen = Screen::Session;
  app.sessions.stage(std::move(status));
}

}  // namespace

void build_sample_workspace(RemoteApp& app) {
  const SampleRow rows[] = {
      {"Build Box", ConnectionKind::Ssh, "build.lab.internal", 22, "admin", AuthMethod::PublicKey, Presence::Online, true, "12m ago", "lab"},
      {"Studio Node", ConnectionKind::Vexa, sample_device_endpoint(1), 0, "", AuthMethod::DeviceIdentity, Presence::Online, true, "just now", "Vexa"},
      {"Office NAS", ConnectionKind::Vnc, "10.0.0.20", 5900, "media", AuthMethod::Password, Presence::Online, false, "2h ago", "home"},
      {"Win Workstation", ConnectionKind::Rdp, "10.0.0.31", 3389, "designer", AuthMethod::Password, Presence::Offline, false, "yesterday", "work"},
      {"Edge Gateway", ConnectionKind::Ssh, "edge.example.net", 2222, "root", AuthMethod::PublicKey, Presence::Online, false, "3d ago", "prod"},
      {"Pi Cluster Head", ConnectionKind::Ssh, "192.168.4.2", 22, "pi", AuthMethod::Password, Presence::Offline, false, "1w ago", "lab"},
      {"Workshop Laptop", ConnectionKind::Vexa, sample_device_endpoint(2), 0, "", AuthMethod::DeviceIdentity, Presence::Online, false, "5h ago", "Vexa"},
      {"Backup Vault", ConnectionKind::Vnc, "vault.backup.lan", 5901, "ops", AuthMethod::Password, Presence::Unknown, false, "Never", "prod"},
  };
  for (const auto& r : rows) {
    profiles::ConnectionProfile p;
    p.name = r.name;
    p.kind = r.kind;
    p.host = r.host;
    p.port = r.port;
    p.user = r.user;
    p.auth = r.auth;
    p.presence = r.presence;
    p.favorite = r.favorite;
    p.last_used = r.last_used;
    p.group = r.group;
    p.id = profiles::Uuid::new_v4();
    add_or_replace(app, std::move(p));
  }
  app.nearby_devices = {{"Studio Node", sample_device_endpoint(1), true},
                        {"Workshop Laptop", sample_device_endpoint(2), true},
                        {"Living Room TV", sample_device_endpoint(3), true},
                        {"Garage Pi", sample_device_endpoint(4), false}};
  app.sample_workspace = true;
  app.selected = app.first_visible();
}

void apply_review_scene(RemoteApp& app, const std::string& scene) {
  using vexa::sys::SessionStatus;
  if (scene == "form") {
    app.execute(cmd::OpenNewForm{});
  } else if (scene == "form-vexa") {
    app.execute(cmd::OpenNewForm{});
    app.execute(cmd::ChooseKind{ConnectionKind::Vexa});
  } else if (scene == "session-ssh" || scene == "session-vnc") {
    if (auto* p = first_of(app, scene == "session-ssh" ? ConnectionKind::Ssh : ConnectionKind::Vnc)) {
      app.execute(cmd::Connect{p->id});
    }
  } else if (scene == "session-rdp") {
    stage(app, first_of(app, ConnectionKind::Rdp),
          SessionStatus::unavailable("RDP profiles are preserved, but this Vexa build has no RDP client backend."));
  } else if (scene == "session-vexa") {
    stage(app, first_of(app, ConnectionKind::Vexa), SessionStatus::connecting());
  } else if (scene == "session-connecting") {
    stage(app, first_of(app, ConnectionKind::Ssh), SessionStatus::connecting());
  } else if (scene == "session-failed") {
    stage(app, first_of(app, ConnectionKind::Vnc), SessionStatus::failed("Connection refused"));
  } else if (scene == "confirm-connect") {
    if (auto* p = first_of(app, ConnectionKind::Vexa)) app.execute(cmd::AskConnect{p->id});
  } else if (scene == "confirm-delete") {
    if (!app.profiles.empty()) app.execute(cmd::AskDelete{app.profiles.front().id});
  } else if (scene == "confirm-ssh-trust") {
    if (auto* p = first_of(app, ConnectionKind::Ssh)) {
      app.pending_confirmation = PendingConfirmation{
          PendingConfirmation::Kind::TrustHostKey, p->id, profiles::profile_signature(*p),
          ssh::HostKeyIdentity{"ssh-ed25519", "SHA256:DemoFingerprintForVisualReviewOnly"}};
    }
  }
}

}  // namespace app
