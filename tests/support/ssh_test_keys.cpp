#include "support/ssh_test_keys.hpp"

#include <sys/stat.h>

#include <map>
#include <mutex>
#include <stdexcept>

namespace ssh_test {

std::shared_ptr<KeyPair> KeyPair::generate(KeyKind kind) {
  ssh_key key = nullptr;
  int rc = SSH_ERROR;
  switch (kind) {
    case KeyKind::Ed25519:
      rc = ssh_pki_generate(SSH_KEYTYPE_ED25519, 0, &key);
      break;
    case KeyKind::Ecdsa:
      rc = ssh_pki_generate(SSH_KEYTYPE_ECDSA_P256, 256, &key);
      break;
    case KeyKind::Rsa:
      rc = ssh_pki_generate(SSH_KEYTYPE_RSA, 2048, &key);
      break;
  }
  if (rc != SSH_OK) throw std::runtime_error("cannot generate a test key");
  return std::shared_ptr<KeyPair>(new KeyPair(key));
}

std::shared_ptr<KeyPair> KeyPair::shared(KeyKind kind) {
  static std::mutex mutex;
  static std::map<KeyKind, std::shared_ptr<KeyPair>> keys;
  std::lock_guard lock(mutex);
  auto& slot = keys[kind];
  if (!slot) slot = generate(kind);
  return slot;
}

KeyPair::~KeyPair() {
  ssh_key_free(key_);
}

ssh_key KeyPair::copy() const {
  char* text = nullptr;
  ssh_key copy = nullptr;
  if (ssh_pki_export_privkey_base64(key_, nullptr, nullptr, nullptr, &text) != SSH_OK ||
      ssh_pki_import_privkey_base64(text, nullptr, nullptr, nullptr, &copy) != SSH_OK) {
    ssh_string_free_char(text);
    throw std::runtime_error("cannot copy a test key");
  }
  ssh_string_free_char(text);
  return copy;
}

void KeyPair::write_private(const std::filesystem::path& path,
                            const std::optional<std::string>& passphrase) const {
  std::filesystem::remove(path);
  if (ssh_pki_export_privkey_file(key_, passphrase ? passphrase->c_str() : nullptr, nullptr,
                                  nullptr, path.c_str()) != SSH_OK) {
    throw std::runtime_error("cannot write a test key");
  }
  ::chmod(path.c_str(), 0600);
}

std::string KeyPair::public_line() const {
  char* text = nullptr;
  if (ssh_pki_export_pubkey_base64(key_, &text) != SSH_OK) {
    throw std::runtime_error("cannot export a test key");
  }
  std::string line = std::string(ssh_key_type_to_char(ssh_key_type(key_))) + " " + text;
  ssh_string_free_char(text);
  return line;
}

}  // namespace ssh_test
