#pragma once
// The identity pinned for a server key: its algorithm name and its OpenSSH-style SHA-256
// fingerprint, so users can compare it with what `ssh-keygen -l` prints on the server.
#include <libssh/libssh.h>

#include <cstdint>
#include <span>
#include <string>

#include "ssh/trust_store.hpp"

namespace ssh {

HostKeyIdentity host_key_identity(ssh_key server_key);

// "SHA256:" + unpadded standard base64 of a digest.
std::string sha256_fingerprint(std::span<const std::uint8_t> digest);

}  // namespace ssh
