#include "ssh/host_key.hpp"

#include <openssl/evp.h>

namespace ssh {

std::string sha256_fingerprint(std::span<const std::uint8_t> digest) {
  std::string encoded(4 * ((digest.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                                     digest.data(), static_cast<int>(digest.size()));
  encoded.resize(static_cast<std::size_t>(length));
  while (!encoded.empty() && encoded.back() == '=') encoded.pop_back();
  return "SHA256:" + encoded;
}

HostKeyIdentity host_key_identity(ssh_key server_key) {
  HostKeyIdentity identity;
  const char* name = ssh_key_type_to_char(ssh_key_type(server_key));
  identity.algorithm = name ? name : "unknown";
  unsigned char* hash = nullptr;
  size_t hash_length = 0;
  if (ssh_get_publickey_hash(server_key, SSH_PUBLICKEY_HASH_SHA256, &hash, &hash_length) == 0) {
    identity.fingerprint = sha256_fingerprint({hash, hash_length});
    ssh_clean_pubkey_hash(&hash);
  }
  return identity;
}

}  // namespace ssh
