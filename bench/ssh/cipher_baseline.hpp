#pragma once
// The part of the transport's cost no client code can avoid: authenticated decryption of every
// byte with the cipher the connection negotiated, done with OpenSSL's EVP interface (which the
// SSH library also uses) on packets of the size the test server sends.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bench_ssh {

// This thread's CPU seconds for decrypting all of `data`. `cipher` is the SSH name
// ("aes128-gcm@openssh.com", "chacha20-poly1305@openssh.com", ...); nullopt for a name without an
// AEAD counterpart here, or when a tag fails to verify.
std::optional<double> decrypt_only(const std::string& cipher,
                                   const std::vector<std::uint8_t>& data);

}  // namespace bench_ssh
