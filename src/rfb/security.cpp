#include <openssl/des.h>

#include <fmt/format.h>

#include <algorithm>

#include "rfb/handshake.hpp"
#include "rfb/utf8.hpp"

namespace rfb {

namespace {

constexpr std::uint8_t kNone = 1;
constexpr std::uint8_t kVncAuth = 2;
// Reasons are shown to the user; longer ones are cut here and the rest is discarded unread.
constexpr std::size_t kReasonKeep = 4096;

std::uint8_t reverse_bits(std::uint8_t b) {
  std::uint8_t out = 0;
  for (int i = 0; i < 8; ++i) out = static_cast<std::uint8_t>(out | ((b >> i) & 1) << (7 - i));
  return out;
}

Result<std::string> read_reason(Wire& wire) {
  auto raw = wire.read_string(kReasonKeep);
  if (!raw) return std::unexpected(raw.error());
  return utf8_lossy(*raw);
}

Result<void> security_result(Wire& wire) {
  auto status = wire.read_u32();
  if (!status) return std::unexpected(status.error());
  if (*status == 0) return {};
  // Servers of the older forms send no reason and close the connection.
  auto reason = read_reason(wire);
  return fail(ErrorKind::PermissionDenied, reason ? *reason : "authentication failed");
}

Result<void> vnc_authenticate(Wire& wire, const std::optional<std::string>& password) {
  std::array<std::uint8_t, 16> challenge;
  if (auto r = wire.read_exact(challenge); !r) return r;
  if (auto r = wire.write_all(vnc_auth_response(password, challenge)); !r) return r;
  return security_result(wire);
}

// The 3.7 and 3.8 forms: the server lists types and we choose.
Result<std::uint8_t> choose_type(Wire& wire) {
  auto count = wire.read_u8();
  if (!count) return std::unexpected(count.error());
  if (*count == 0) {
    auto reason = read_reason(wire);
    if (!reason) return std::unexpected(reason.error());
    return fail(ErrorKind::PermissionDenied, *reason);
  }
  std::array<std::uint8_t, 255> types;
  std::span<std::uint8_t> offered(types.data(), *count);
  if (auto r = wire.read_exact(offered); !r) return std::unexpected(r.error());
  // None wins over VNC Authentication, even with a password configured.
  for (std::uint8_t wanted : {kNone, kVncAuth}) {
    if (std::ranges::find(offered, wanted) == offered.end()) continue;
    if (auto r = wire.write_all(std::span(&wanted, 1)); !r) return std::unexpected(r.error());
    return wanted;
  }
  return fail(ErrorKind::Unsupported, "no supported VNC security type");
}

}  // namespace

std::array<std::uint8_t, 16> vnc_auth_response(const std::optional<std::string>& password,
                                               std::span<const std::uint8_t, 16> challenge) {
  DES_cblock key{};
  if (password) {
    std::size_t n = std::min<std::size_t>(password->size(), 8);
    for (std::size_t i = 0; i < n; ++i) key[i] = static_cast<unsigned char>((*password)[i]);
  }
  for (auto& b : key) b = reverse_bits(b);
  // VNC Authentication is defined on single DES; OpenSSL keeps that cipher only behind its
  // deprecated low-level interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  DES_key_schedule schedule;
  DES_set_key_unchecked(&key, &schedule);
  std::array<std::uint8_t, 16> out;
  for (int half = 0; half < 2; ++half) {
    DES_cblock in;
    DES_cblock cipher;
    std::copy_n(challenge.begin() + 8 * half, 8, in);
    DES_ecb_encrypt(&in, &cipher, &schedule, DES_ENCRYPT);
    std::copy_n(cipher, 8, out.begin() + 8 * half);
  }
#pragma GCC diagnostic pop
  return out;
}

Result<void> negotiate_security(Wire& wire, unsigned minor,
                                const std::optional<std::string>& password) {
  std::uint8_t type;
  if (minor == 3) {
    // The server decides; only the low byte of its word counts.
    auto word = wire.read_u32();
    if (!word) return std::unexpected(word.error());
    type = static_cast<std::uint8_t>(*word & 0xff);
    if (type != kNone && type != kVncAuth) {
      return fail(ErrorKind::Unsupported, fmt::format("unhandled security type {}", type));
    }
  } else {
    auto chosen = choose_type(wire);
    if (!chosen) return std::unexpected(chosen.error());
    type = *chosen;
  }
  if (type == kVncAuth) return vnc_authenticate(wire, password);
  if (minor == 8) return security_result(wire);
  return {};
}

}  // namespace rfb
