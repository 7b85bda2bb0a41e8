#include "platform/endpoint/endpoint_key.hpp"

#include <openssl/evp.h>

#include "platform/sys/text.hpp"

#include <cstdlib>

namespace vexa::endpoint {

std::optional<PublicKey> parse_public_key(std::string_view text) {
  if (text.size() != 64) return std::nullopt;
  PublicKey key{};
  for (std::size_t i = 0; i < key.size(); ++i) {
    int hi = vexa::sys::hex_value(text[2 * i]);
    int lo = vexa::sys::hex_value(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    key[i] = static_cast<std::uint8_t>(hi << 4 | lo);
  }
  return key;
}

std::string to_text(const PublicKey& key) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(64);
  for (auto byte : key) {
    out.push_back(digits[byte >> 4]);
    out.push_back(digits[byte & 15]);
  }
  return out;
}

PublicKey public_key_from_secret(const SecretKey& secret) {
  EVP_PKEY* pkey = EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, secret.data(),
                                                secret.size());
  PublicKey key{};
  std::size_t length = key.size();
  // Both calls only fail when OpenSSL lacks Ed25519, which no supported build does.
  if (!pkey || EVP_PKEY_get_raw_public_key(pkey, key.data(), &length) != 1) std::abort();
  EVP_PKEY_free(pkey);
  return key;
}

}  // namespace vexa::endpoint
