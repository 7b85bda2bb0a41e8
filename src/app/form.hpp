#pragma once
// The connection form's editable copy of one profile, and its validation rules.
#include <string>
#include <vector>

#include "profiles/connection_profile.hpp"

namespace app {

struct FormFields {
  std::string name;
  std::string host;
  std::string port = "22";
  std::string user;
  std::string group;
  profiles::AuthMethod auth = profiles::AuthMethod::Password;
  profiles::ConnectionKind kind = profiles::ConnectionKind::Ssh;

  static FormFields from_profile(const profiles::ConnectionProfile& p);
};

struct FormFlags {
  bool submit_attempted = false;
  bool name_touched = false;
  bool host_touched = false;
  bool port_touched = false;
};

// Input indices shared by the views and the focus rules.
enum Field : std::size_t { kSearch = 0, kName = 1, kHost = 2, kPort = 3, kUser = 4, kGroup = 5 };

inline constexpr const char* kPortMessage = "Port must be 1\u201365535";

// Every message that applies, in order.
std::vector<std::string> validate_form(const FormFields& form);
// The messages shown now: all after a save attempt, otherwise those of touched fields.
std::vector<std::string> visible_form_messages(const FormFields& form, const FormFlags& flags);
// An unsigned 16-bit decimal with one optional leading "+", ASCII digits only.
std::optional<std::uint16_t> parse_port(std::string_view trimmed);
// Keeps only ASCII digits.
std::string digits_only(std::string_view text);
// Kind switch: port default and auth adjustment.
void choose_kind(FormFields& form, profiles::ConnectionKind kind);
// The profile a successful save publishes (without id handling).
profiles::ConnectionProfile build_profile(const FormFields& form, const profiles::Uuid& id);
// Fields the form shows for a kind, which is also the Tab order.
std::vector<Field> fields_for_kind(profiles::ConnectionKind kind);

}  // namespace app
