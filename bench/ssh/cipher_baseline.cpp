#include "cipher_baseline.hpp"

#include <openssl/evp.h>

#include <array>
#include <memory>

#include "bench/common/cpu_time.hpp"

namespace bench_ssh {

using bench_common::thread_cpu_seconds;

namespace {

constexpr std::size_t kPacket = 32 * 1024;
constexpr std::size_t kTag = 16;

const EVP_CIPHER* aead_for(const std::string& cipher) {
  if (cipher == "aes128-gcm@openssh.com") return EVP_aes_128_gcm();
  if (cipher == "aes256-gcm@openssh.com") return EVP_aes_256_gcm();
  if (cipher == "chacha20-poly1305@openssh.com") return EVP_chacha20_poly1305();
  return nullptr;
}

using Context = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// A fresh nonce per packet and the packet length as associated data, as on the wire.
std::array<std::uint8_t, 12> nonce(std::uint64_t packet) {
  std::array<std::uint8_t, 12> iv{};
  for (int i = 0; i < 8; ++i) iv[4 + i] = static_cast<std::uint8_t>(packet >> (8 * i));
  return iv;
}

struct Sealed {
  std::vector<std::uint8_t> bytes;
  std::vector<std::array<std::uint8_t, kTag>> tags;
};

bool seal(EVP_CIPHER_CTX* ctx, const std::vector<std::uint8_t>& data, Sealed& out) {
  out.bytes.resize(data.size());
  for (std::size_t offset = 0, packet = 0; offset < data.size(); offset += kPacket, ++packet) {
    const int size = static_cast<int>(std::min(kPacket, data.size() - offset));
    const auto iv = nonce(packet);
    const std::uint32_t aad = static_cast<std::uint32_t>(size);
    int n = 0;
    std::array<std::uint8_t, kTag> tag{};
    if (EVP_EncryptInit_ex(ctx, nullptr, nullptr, nullptr, iv.data()) != 1 ||
        EVP_EncryptUpdate(ctx, nullptr, &n, reinterpret_cast<const std::uint8_t*>(&aad), 4) != 1 ||
        EVP_EncryptUpdate(ctx, out.bytes.data() + offset, &n, data.data() + offset, size) != 1 ||
        EVP_EncryptFinal_ex(ctx, nullptr, &n) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_AEAD_GET_TAG, kTag, tag.data()) != 1) {
      return false;
    }
    out.tags.push_back(tag);
  }
  return true;
}

// Decrypts packet by packet into one reused buffer, checking every tag.
bool open_all(EVP_CIPHER_CTX* ctx, Sealed& in) {
  std::vector<std::uint8_t> plain(kPacket);
  for (std::size_t offset = 0, packet = 0; offset < in.bytes.size(); offset += kPacket, ++packet) {
    const int size = static_cast<int>(std::min(kPacket, in.bytes.size() - offset));
    const auto iv = nonce(packet);
    const std::uint32_t aad = static_cast<std::uint32_t>(size);
    int n = 0;
    if (EVP_DecryptInit_ex(ctx, nullptr, nullptr, nullptr, iv.data()) != 1 ||
        EVP_DecryptUpdate(ctx, nullptr, &n, reinterpret_cast<const std::uint8_t*>(&aad), 4) != 1 ||
        EVP_DecryptUpdate(ctx, plain.data(), &n, in.bytes.data() + offset, size) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_AEAD_SET_TAG, kTag, in.tags[packet].data()) != 1 ||
        EVP_DecryptFinal_ex(ctx, plain.data() + n, &n) != 1) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<double> decrypt_only(const std::string& cipher,
                                   const std::vector<std::uint8_t>& data) {
  const EVP_CIPHER* aead = aead_for(cipher);
  if (!aead) return std::nullopt;
  const std::array<std::uint8_t, 32> key{1, 2, 3, 4, 5, 6, 7, 8, 9};
  Context sealer(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
  Context opener(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
  Sealed sealed;
  if (!sealer || !opener ||
      EVP_EncryptInit_ex(sealer.get(), aead, nullptr, key.data(), nullptr) != 1 ||
      EVP_DecryptInit_ex(opener.get(), aead, nullptr, key.data(), nullptr) != 1 ||
      !seal(sealer.get(), data, sealed)) {
    return std::nullopt;
  }
  const double cpu = thread_cpu_seconds();
  if (!open_all(opener.get(), sealed)) return std::nullopt;
  return thread_cpu_seconds() - cpu;
}

}  // namespace bench_ssh
