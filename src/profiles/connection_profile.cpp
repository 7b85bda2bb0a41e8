#include "profiles/connection_profile.hpp"

#include <glib.h>

#include <algorithm>
#include <fmt/format.h>

#include "platform/endpoint/endpoint_key.hpp"
#include "platform/sys/env.hpp"

namespace profiles {

std::string_view kind_token(ConnectionKind kind) {
  switch (kind) {
    case ConnectionKind::Ssh: return "SSH";
    case ConnectionKind::Vnc: return "VNC";
    case ConnectionKind::Rdp: return "RDP";
    case ConnectionKind::Vexa: return "Vexa";
  }
  return "SSH";
}

std::string_view kind_label(ConnectionKind kind) {
  return kind == ConnectionKind::Vexa ? "Vexa device" : kind_token(kind);
}

std::optional<std::uint16_t> default_port(ConnectionKind kind) {
  switch (kind) {
    case ConnectionKind::Ssh: return 22;
    case ConnectionKind::Vnc: return 5900;
    case ConnectionKind::Rdp: return 3389;
    case ConnectionKind::Vexa: return std::nullopt;
  }
  return std::nullopt;
}

std::string_view auth_label(AuthMethod auth) {
  switch (auth) {
    case AuthMethod::Password: return "Password";
    case AuthMethod::PublicKey: return "Public key";
    case AuthMethod::DeviceIdentity: return "Device identity";
  }
  return "Password";
}

std::string_view auth_token(AuthMethod auth) {
  switch (auth) {
    case AuthMethod::Password: return "password";
    case AuthMethod::PublicKey: return "public-key";
    case AuthMethod::DeviceIdentity: return "device-identity";
  }
  return "password";
}

std::string_view presence_text(Presence presence) {
  switch (presence) {
    case Presence::Online: return "online";
    case Presence::Offline: return "offline";
    case Presence::Unknown: return "unknown";
  }
  return "unknown";
}

ConnectionKind parse_kind(std::string_view text) {
  if (text == "VNC") return ConnectionKind::Vnc;
  if (text == "RDP") return ConnectionKind::Rdp;
  if (text == "Vexa") return ConnectionKind::Vexa;
  return ConnectionKind::Ssh;
}

AuthMethod parse_auth(std::string_view text) {
  if (text == "Public key") return AuthMethod::PublicKey;
  if (text == "Device identity") return AuthMethod::DeviceIdentity;
  return AuthMethod::Password;
}

Presence parse_presence(std::string_view text) {
  if (text == "online") return Presence::Online;
  if (text == "offline") return Presence::Offline;
  return Presence::Unknown;
}

std::span<const AuthMethod> allowed_auth(ConnectionKind kind) {
  static constexpr AuthMethod ssh[] = {AuthMethod::Password, AuthMethod::PublicKey};
  static constexpr AuthMethod password[] = {AuthMethod::Password};
  static constexpr AuthMethod device[] = {AuthMethod::DeviceIdentity};
  switch (kind) {
    case ConnectionKind::Ssh: return ssh;
    case ConnectionKind::Vnc:
    case ConnectionKind::Rdp: return password;
    case ConnectionKind::Vexa: return device;
  }
  return password;
}

bool auth_allowed(AuthMethod auth, ConnectionKind kind) {
  auto allowed = allowed_auth(kind);
  return std::find(allowed.begin(), allowed.end(), auth) != allowed.end();
}

std::optional<std::string> compatibility_message(ConnectionKind kind, std::string_view host,
                                                 AuthMethod auth) {
  if (!auth_allowed(auth, kind)) {
    switch (kind) {
      case ConnectionKind::Ssh: return "SSH profiles support password or public-key authentication.";
      case ConnectionKind::Vnc: return "VNC profiles support password authentication only.";
      case ConnectionKind::Rdp: return "RDP profiles support password authentication only.";
      case ConnectionKind::Vexa: return "Vexa device profiles must use Vexa device identity.";
    }
  }
  if (kind != ConnectionKind::Vexa) return std::nullopt;
  auto trimmed = trim(host);
  if (trimmed.empty()) return std::nullopt;
  if (!vexa::endpoint::parse_public_key(trimmed)) {
    return "Vexa device node must be an exact certified endpoint id.";
  }
  return std::nullopt;
}

Availability availability_of(const ConnectionProfile& profile) {
  Availability by_kind = Availability::Ready;
  switch (profile.kind) {
    case ConnectionKind::Ssh:
    case ConnectionKind::Vnc: {
      auto value = vexa::sys::env("REMOTE_LIVE_SESSIONS");
      bool valid_text = value && g_utf8_validate(value->data(), static_cast<gssize>(value->size()), nullptr);
      by_kind = valid_text ? Availability::Ready : Availability::NeedsAccess;
      break;
    }
    case ConnectionKind::Rdp: by_kind = Availability::NotSupported; break;
    case ConnectionKind::Vexa: by_kind = Availability::Ready; break;
  }
  if (by_kind == Availability::Ready &&
      compatibility_message(profile.kind, profile.host, profile.auth)) {
    return Availability::Invalid;
  }
  return by_kind;
}

std::string_view availability_text(Availability availability, ConnectionKind kind) {
  switch (availability) {
    case Availability::Ready: return "This transport is ready to connect.";
    case Availability::NeedsAccess:
      if (kind == ConnectionKind::Ssh)
        return "SSH is installed, but this build has not been granted live network access.";
      if (kind == ConnectionKind::Vnc)
        return "VNC is installed, but this build has not been granted live network access.";
      return "This transport needs a capability before it can connect.";
    case Availability::NotSupported:
      return "RDP profiles are preserved, but this Vexa build has no RDP client backend.";
    case Availability::Invalid:
      return "This saved connection has incompatible target or authentication settings.";
  }
  return "";
}

std::string lowercase(std::string_view text) {
  bool ascii = std::all_of(text.begin(), text.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) {
    std::string out(text);
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return out;
  }
  // Invalid UTF-8 cannot come from the document's text objects; keep it unchanged if it does.
  if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
    return std::string(text);
  }
  gchar* lowered = g_utf8_strdown(text.data(), static_cast<gssize>(text.size()));
  std::string out(lowered);
  g_free(lowered);
  return out;
}

std::string_view trim(std::string_view text) {
  // Decodes one character at `p`; invalid UTF-8 never counts as white space.
  auto space_at = [&](const char* p, const char* limit) {
    gunichar c = g_utf8_get_char_validated(p, limit - p);
    return c != static_cast<gunichar>(-1) && c != static_cast<gunichar>(-2) && g_unichar_isspace(c);
  };
  const char* begin = text.data();
  const char* end = begin + text.size();
  while (begin < end && space_at(begin, end)) begin = g_utf8_next_char(begin);
  while (end > begin) {
    const char* last = g_utf8_find_prev_char(begin, end);
    if (!last || !space_at(last, end) || g_utf8_next_char(last) != end) break;
    end = last;
  }
  return std::string_view(begin, static_cast<std::size_t>(end - begin));
}

namespace {

char fold_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// `needle` is lower-cased already. ASCII text (nearly every host, user and group) is compared
// case-folded in place instead of through a lower-cased copy; other text takes the full
// Unicode lower-casing.
bool contains_folded(std::string_view hay, std::string_view needle) {
  if (needle.empty()) return true;
  bool ascii = std::all_of(hay.begin(), hay.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) return lowercase(hay).find(needle) != std::string::npos;
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end(),
                     [](char a, char b) { return fold_ascii(a) == b; }) != hay.end();
}

bool matches(const ConnectionProfile& p, std::string_view query) {
  return contains_folded(p.name, query) || contains_folded(p.host, query) || contains_folded(p.user, query) ||
         contains_folded(p.group, query) || contains_folded(kind_token(p.kind), query);
}

}  // namespace

std::vector<const ConnectionProfile*> visible_profiles(std::span<const ConnectionProfile> profiles,
                                                       std::string_view query) {
  std::string needle = lowercase(trim(query));
  struct Entry {
    const ConnectionProfile* profile;
    std::string key;
  };
  std::vector<Entry> kept;
  kept.reserve(profiles.size());
  for (const auto& p : profiles) {
    if (needle.empty() || matches(p, needle)) kept.push_back({&p, lowercase(p.name)});
  }
  // std::string compares bytes as unsigned char, which is UTF-8 code point order, and orders
  // a proper prefix first.
  std::stable_sort(kept.begin(), kept.end(), [](const Entry& a, const Entry& b) {
    if (a.profile->favorite != b.profile->favorite) return a.profile->favorite;
    return a.key < b.key;
  });
  std::vector<const ConnectionProfile*> out;
  out.reserve(kept.size());
  for (auto& e : kept) out.push_back(e.profile);
  return out;
}

std::string profile_signature(const ConnectionProfile& p) {
  return fmt::format("{}|{}|{}|{}|{}", kind_token(p.kind), p.host, p.port, p.user,
                     auth_label(p.auth));
}

std::string target_label(const ConnectionProfile& p) {
  if (p.kind == ConnectionKind::Vexa) {
    // Cut at a character boundary: 12 characters, not bytes.
    const char* begin = p.host.c_str();
    const char* cut = begin;
    std::size_t chars = 0;
    while (*cut && chars < 12) {
      cut = g_utf8_next_char(cut);
      ++chars;
    }
    std::string head(begin, cut);
    return *cut ? fmt::format("Vexa device {}…", head) : fmt::format("Vexa device {}", head);
  }
  std::string target = p.host;
  if (p.port != 0) target = fmt::format("{}:{}", target, p.port);
  if (p.kind == ConnectionKind::Ssh && !p.user.empty()) target = fmt::format("{}@{}", p.user, target);
  return target;
}

}  // namespace profiles
