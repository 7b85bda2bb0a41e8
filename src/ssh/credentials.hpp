#pragma once
// How an SSH session authenticates, resolved from the environment before any thread starts.
#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace ssh {

struct PasswordCredentials {
  std::string password;
  bool operator==(const PasswordCredentials&) const = default;
};
struct KeyFileCredentials {
  std::filesystem::path path;
  std::optional<std::string> passphrase;
  bool operator==(const KeyFileCredentials&) const = default;
};
using SshCredentials = std::variant<PasswordCredentials, KeyFileCredentials>;

// $HOME/.ssh/id_ed25519, then $HOME/.ssh/id_ecdsa (HOME empty when unset).
std::vector<std::filesystem::path> candidate_key_files();

// Public key: REMOTE_SSH_KEY as given, else the first candidate that exists, passphrase from
// REMOTE_SSH_KEY_PASSPHRASE. Otherwise the password from REMOTE_SSH_PASSWORD. Empty values
// count as set.
std::expected<SshCredentials, std::string> resolve_credentials(
    bool public_key, const std::vector<std::filesystem::path>& candidates);

}  // namespace ssh
