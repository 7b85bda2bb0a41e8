#pragma once
// Key pairs made in memory for SSH test servers and clients.
#include <libssh/libssh.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace ssh_test {

enum class KeyKind { Ed25519, Ecdsa, Rsa };

class KeyPair {
 public:
  static std::shared_ptr<KeyPair> generate(KeyKind kind);
  // One key per kind for the whole process: RSA generation is slow.
  static std::shared_ptr<KeyPair> shared(KeyKind kind);
  ~KeyPair();
  KeyPair(const KeyPair&) = delete;
  KeyPair& operator=(const KeyPair&) = delete;

  ssh_key key() const { return key_; }
  // A fresh copy the caller owns (libssh's bind takes ownership of the keys it is given).
  ssh_key copy() const;
  // Writes the private key (encrypted when a passphrase is given) with mode 0600.
  void write_private(const std::filesystem::path& path,
                     const std::optional<std::string>& passphrase = std::nullopt) const;
  // "ssh-ed25519 AAAA..." for an authorized_keys line.
  std::string public_line() const;

 private:
  explicit KeyPair(ssh_key key) : key_(key) {}
  ssh_key key_;
};

}  // namespace ssh_test
