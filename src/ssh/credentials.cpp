#include "ssh/credentials.hpp"

#include <sys/stat.h>

#include "platform/sys/env.hpp"

namespace ssh {

namespace fs = std::filesystem;

std::vector<fs::path> candidate_key_files() {
  const fs::path ssh_dir = fs::path(vexa::sys::env("HOME").value_or("")) / ".ssh";
  return {ssh_dir / "id_ed25519", ssh_dir / "id_ecdsa"};
}

std::expected<SshCredentials, std::string> resolve_credentials(
    bool public_key, const std::vector<fs::path>& candidates) {
  if (!public_key) {
    auto password = vexa::sys::env("REMOTE_SSH_PASSWORD");
    if (!password) return std::unexpected(std::string("no SSH password: set REMOTE_SSH_PASSWORD"));
    return PasswordCredentials{std::move(*password)};
  }
  KeyFileCredentials key{{}, vexa::sys::env("REMOTE_SSH_KEY_PASSPHRASE")};
  if (auto chosen = vexa::sys::env("REMOTE_SSH_KEY")) {
    key.path = *chosen;
    return key;
  }
  for (const fs::path& candidate : candidates) {
    struct stat info {};
    if (::stat(candidate.c_str(), &info) == 0) {
      key.path = candidate;
      return key;
    }
  }
  return std::unexpected(std::string("no SSH key: set REMOTE_SSH_KEY or add ~/.ssh/id_ed25519"));
}

}  // namespace ssh
