#pragma once
// The part of the transport's cost no client code can avoid: authenticated decryption of every
// byte with the cipher the connection negotiated, done with OpenSSL's EVP interface (which the
// SSH library also uses) on packets of the size the test server sends.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bench_ssh {

struct CipherRun {
  double seconds = 0;  // wall time of the decryption alone
  double cpu = 0;      // this thread's CPU time for it
};

// `cipher` is the SSH name ("aes128-gcm@openssh.com", "chacha20-poly1305@openssh.com", ...);
// nullopt for a name without an AEAD counterpart here, or when a tag fails to verify.
std::optional<CipherRun> decrypt_only(const std::string& cipher,
                                      const std::vector<std::uint8_t>& data);

}  // namespace bench_ssh
