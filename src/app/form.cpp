#include "app/form.hpp"

#include <fmt/format.h>

namespace app {

using profiles::AuthMethod;
using profiles::ConnectionKind;
using profiles::trim;

FormFields FormFields::from_profile(const profiles::ConnectionProfile& p) {
  return {p.name, p.host, fmt::format("{}", p.port), p.user, p.group, p.auth, p.kind};
}

std::optional<std::uint16_t> parse_port(std::string_view text) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  unsigned value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 65535) return std::nullopt;  // also stops overflow on long inputs
  }
  return static_cast<std::uint16_t>(value);
}

std::string digits_only(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c >= '0' && c <= '9') out.push_back(c);
  }
  return out;
}

std::vector<std::string> validate_form(const FormFields& form) {
  std::vector<std::string> messages;
  if (trim(form.name).empty()) messages.emplace_back("Name is required");
  if (trim(form.host).empty()) messages.emplace_back("Host is required");
  if (form.kind != ConnectionKind::Vexa) {
    auto port = parse_port(trim(form.port));
    if (!port || *port == 0) messages.emplace_back(kPortMessage);
  }
  if (auto m = profiles::compatibility_message(form.kind, form.host, form.auth)) messages.push_back(*m);
  return messages;
}

std::vector<std::string> visible_form_messages(const FormFields& form, const FormFlags& flags) {
  auto all = validate_form(form);
  if (flags.submit_attempted) return all;
  std::vector<std::string> shown;
  for (auto& m : all) {
    bool visible = false;
    if (m == "Name is required") visible = flags.name_touched;
    else if (m == "Host is required" || m.starts_with("Vexa device node must be an exact certified endpoint id")) visible = flags.host_touched;
    else if (m.starts_with("Port")) visible = flags.port_touched;
    if (visible) shown.push_back(std::move(m));
  }
  return shown;
}

void choose_kind(FormFields& form, ConnectionKind kind) {
  form.kind = kind;
  if (kind == ConnectionKind::Vexa) {
    form.port.clear();
    form.auth = AuthMethod::DeviceIdentity;
  } else {
    auto trimmed = trim(form.port);
    if (trimmed.empty() || trimmed == "0") form.port = fmt::format("{}", *profiles::default_port(kind));
  }
  if (!profiles::auth_allowed(form.auth, kind)) form.auth = profiles::allowed_auth(kind).front();
}

profiles::ConnectionProfile build_profile(const FormFields& form, const profiles::Uuid& id) {
  profiles::ConnectionProfile p;
  p.id = id;
  p.name = std::string(trim(form.name));
  p.host = std::string(trim(form.host));
  p.group = std::string(trim(form.group));
  bool userless = form.kind == ConnectionKind::Vnc || form.kind == ConnectionKind::Vexa;
  p.user = userless ? std::string() : std::string(trim(form.user));
  if (form.kind == ConnectionKind::Vexa) {
    p.port = 0;
  } else {
    p.port = parse_port(trim(form.port)).value_or(*profiles::default_port(form.kind));
  }
  p.auth = form.auth;
  p.kind = form.kind;
  p.last_used = "Never";
  p.presence = profiles::Presence::Unknown;
  p.favorite = false;
  return p;
}

std::vector<Field> fields_for_kind(ConnectionKind kind) {
  switch (kind) {
    case ConnectionKind::Ssh:
    case ConnectionKind::Rdp: return {kName, kHost, kPort, kUser, kGroup};
    case ConnectionKind::Vnc: return {kName, kHost, kPort, kGroup};
    case ConnectionKind::Vexa: return {kName, kHost};
  }
  return {kName, kHost};
}

}  // namespace app
