#pragma once
// The saved-connection record and the rules every module agrees on: kinds and their
// authentication methods, when a profile may connect, and the list's search order.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/uuid.hpp"

namespace profiles {

enum class ConnectionKind : std::uint8_t { Ssh, Vnc, Rdp, Vexa };
enum class AuthMethod : std::uint8_t { Password, PublicKey, DeviceIdentity };
enum class Presence : std::uint8_t { Online, Offline, Unknown };
enum class Availability : std::uint8_t { Ready, NeedsAccess, NotSupported, Invalid };

struct ConnectionProfile {
  std::string name;
  std::string host;
  std::string user;
  std::string last_used;
  std::string group;
  Uuid id;
  std::uint16_t port = 0;
  bool favorite = false;
  AuthMethod auth = AuthMethod::Password;
  Presence presence = Presence::Unknown;
  ConnectionKind kind = ConnectionKind::Ssh;

  bool operator==(const ConnectionProfile&) const = default;
};

inline constexpr ConnectionKind kAllKinds[] = {ConnectionKind::Ssh, ConnectionKind::Vnc,
                                               ConnectionKind::Rdp, ConnectionKind::Vexa};

// Document and search token: "SSH", "VNC", "RDP", "Vexa".
std::string_view kind_token(ConnectionKind kind);
// Display label: "Vexa device" for the device kind, otherwise the token.
std::string_view kind_label(ConnectionKind kind);
// 22, 5900, 3389; none for the device kind.
std::optional<std::uint16_t> default_port(ConnectionKind kind);
// Document value and display label: "Password", "Public key", "Device identity".
std::string_view auth_label(AuthMethod auth);
// Semantic token: "password", "public-key", "device-identity".
std::string_view auth_token(AuthMethod auth);
// "online", "offline", "unknown".
std::string_view presence_text(Presence presence);

// Parsing never fails: unknown texts give Ssh, Password and Unknown.
ConnectionKind parse_kind(std::string_view text);
AuthMethod parse_auth(std::string_view text);
Presence parse_presence(std::string_view text);

std::span<const AuthMethod> allowed_auth(ConnectionKind kind);
bool auth_allowed(AuthMethod auth, ConnectionKind kind);

std::optional<std::string> compatibility_message(ConnectionKind kind, std::string_view host,
                                                 AuthMethod auth);
// Reads REMOTE_LIVE_SESSIONS at each call.
Availability availability_of(const ConnectionProfile& profile);
std::string_view availability_text(Availability availability, ConnectionKind kind);

// Filtered by the trimmed, lower-cased query; favourites first, then by lower-cased name.
std::vector<const ConnectionProfile*> visible_profiles(std::span<const ConnectionProfile> profiles,
                                                       std::string_view query);

// Kind token, host, port, user and auth label joined by "|".
std::string profile_signature(const ConnectionProfile& profile);

// The row's target text: "Vexa device 0123456789ab…", or "user@host:port" style for the others.
std::string target_label(const ConnectionProfile& profile);

// Full Unicode lower-casing (ASCII fast path).
std::string lowercase(std::string_view text);
// Trims ASCII and Unicode white space at both ends.
std::string_view trim(std::string_view text);

}  // namespace profiles
