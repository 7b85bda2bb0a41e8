#pragma once
// Device endpoint ids: the Ed25519 public key of a device, written as 64 lower-case hexadecimal
// digits. The parser accepts exactly 64 hexadecimal digits and nothing else.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexa::endpoint {

using PublicKey = std::array<std::uint8_t, 32>;
using SecretKey = std::array<std::uint8_t, 32>;

std::optional<PublicKey> parse_public_key(std::string_view text);
std::string to_text(const PublicKey& key);
// The Ed25519 public key that belongs to a 32-byte secret (seed).
PublicKey public_key_from_secret(const SecretKey& secret);

}  // namespace vexa::endpoint
